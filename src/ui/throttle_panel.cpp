#include "throttle_panel.h"

#include "lamp.h"
#include "loco_picture.h"
#include "panel_parts.h"
#include "speed_pointer.h"

#include "application/application.h"
#include "core/colour.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTimer>

namespace {
const QString kLok = QStringLiteral("Lok:");
const QString kAdresse = QStringLiteral("Adresse:");
const QString kFormat = QStringLiteral("Format:");
const QString kLicht = QStringLiteral("Licht");
const QString kVorwaerts = QStringLiteral("vorwärts");
const QString kRueckwaerts = QStringLiteral("rückwärts");
const QString kNoSpeed = QStringLiteral("-");

constexpr int ZeigerInterval = 100; // ms
constexpr int FnRows = 7;           // F1..F28 in four columns
} // namespace

ThrottlePanel::ThrottlePanel(Application& core, int panel, QWidget* parent)
    : QWidget(parent), core_(core), i_(panel)
{
    setObjectName(indexed_name("Fahrpult", i_));

    auto* frame = new QGroupBox(kLok);
    frame->setObjectName(indexed_name("Lok_Frame", i_));
    auto* inner = new QHBoxLayout(frame);
    inner->addWidget(build_loco());
    inner->addWidget(build_speed());
    inner->addWidget(build_functions(), 0, Qt::AlignTop);
    inner->addStretch(1);
    auto* page = new QHBoxLayout(this);
    page->addWidget(frame);

    QWidget::setTabOrder(LokAdr, FSTScroll);
    QWidget::setTabOrder(FSTScroll, DIR[1]);
    QWidget::setTabOrder(DIR[1], DIR[0]);

    // The pointer moves only while connected, and its timer runs only
    // while the pointer is on its way.
    Zeiger_Timer = new QTimer(this);
    Zeiger_Timer->setObjectName(indexed_name("Zeiger_Timer", i_));
    Zeiger_Timer->setInterval(ZeigerInterval);
    connect(Zeiger_Timer, &QTimer::timeout, this, &ThrottlePanel::zeiger_timer);
    connect(&core_.conn, &Connection::connected, this, &ThrottlePanel::zeiger_start);
    connect(&core_.conn, &Connection::disconnected, Zeiger_Timer, &QTimer::stop);

    connect(&core_.throttle, &Throttle::panel_reset, this, [this](int i) {
        if (i == i_)
            lok_reset();
    });
    connect(&core_.throttle, &Throttle::panel_shown, this, [this](int i, const PanelView& v) {
        if (i == i_)
            lok_show(v);
    });
    connect(&core_.locoList, &LocoList::changed, this, &ThrottlePanel::show_name);
    lok_reset();
    zeiger_start();
}

void ThrottlePanel::zeiger_start()
{
    if (core_.conn.state() == Connection::State::Connected && !Zeiger_Timer->isActive())
        Zeiger_Timer->start();
}

QWidget* ThrottlePanel::build_loco()
{
    LokAdr = new QLineEdit;
    LokAdr->setObjectName(indexed_name("LokAdr", i_));
    LokAdr->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,5}")), LokAdr));
    LokAdr->setFixedWidth(LokAdr->fontMetrics().horizontalAdvance(u'0') * 8);
    connect(LokAdr, &QLineEdit::textEdited, this,
            [this](const QString& text) { core_.throttle.address_key(i_, text, false); });
    connect(LokAdr, &QLineEdit::returnPressed, this, [this] {
        if (core_.throttle.address_key(i_, LokAdr->text(), true))
            FSTScroll->setFocus();
    });

    ProtLbL = new QLabel;
    ProtLbL->setObjectName(indexed_name("ProtLbL", i_));
    ProtLbL->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    ProtLbL->setMinimumWidth(
        ProtLbL->fontMetrics().horizontalAdvance(QStringLiteral("Motorola neu")) + 12);

    LokName = new QLabel;
    LokName->setObjectName(indexed_name("LokName", i_));
    LokName->setWordWrap(true);

    const DataDir& data = core_.data;
    LokImage =
        new LocoPicture([&data](const QString& name) { return data.file(name); }, LokBlankPicture);
    LokImage->setObjectName(indexed_name("LokImage", i_));
    connect(LokImage, &LocoPicture::clicked, this, [this] {
        if (core_.throttle.picture_click(i_))
            FSTScroll->setValue(0);
        zeiger_start();
    });

    const QString dirCaptions[] = {kVorwaerts, kRueckwaerts};
    for (int d = 0; d < 2; ++d) {
        DIR[d] = new QPushButton(dirCaptions[d]);
        DIR[d]->setObjectName(indexed_name("DIR", 2 * i_ + d));
        connect(DIR[d], &QPushButton::clicked, this, [this, d] { core_.throttle.set_dir(d, i_); });
    }

    auto* form = new QFormLayout;
    form->addRow(kAdresse, LokAdr);
    form->addRow(kFormat, ProtLbL);
    form->addRow(QString(), LokName);
    auto* dirRow = new QHBoxLayout;
    dirRow->addWidget(DIR[1]); // reverse on the left, as the picture's arrow points
    dirRow->addWidget(DIR[0]);
    auto* box = new QWidget;
    auto* left = new QVBoxLayout(box);
    left->setContentsMargins(0, 0, 0, 0);
    left->addLayout(form);
    left->addWidget(LokImage);
    left->addLayout(dirRow);
    left->addStretch();
    return box;
}

QWidget* ThrottlePanel::build_speed()
{
    SpeedLbl = new QLabel(kNoSpeed);
    SpeedLbl->setObjectName(indexed_name("SpeedLbl", i_));
    QFont big = SpeedLbl->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    SpeedLbl->setFont(big);
    SpeedLbl->setAlignment(Qt::AlignCenter);
    SpeedLbl->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    SpeedLbl->setMinimumWidth(SpeedLbl->fontMetrics().horizontalAdvance(QStringLiteral("126")) +
                              16);

    // Speed 0 at the bottom, full speed at the top; the arrow keys and the
    // wheel move it the same way.
    FSTScroll = new QScrollBar(Qt::Vertical);
    FSTScroll->setObjectName(indexed_name("FSTScroll", i_));
    FSTScroll->setRange(0, 126);
    FSTScroll->setInvertedAppearance(true);
    FSTScroll->setInvertedControls(false);
    FSTScroll->setSingleStep(1);
    FSTScroll->setPageStep(10);
    FSTScroll->setMinimumHeight(220);
    FSTScroll->setFixedWidth(FSTScroll->sizeHint().width() * 3 / 2);
    FSTScroll->setFocusPolicy(Qt::StrongFocus);
    // Dragging reports the position (Scroll), everything else the new value
    // (Change).
    FSTScroll->setTracking(false);
    connect(FSTScroll, &QScrollBar::valueChanged, this, [this](int value) {
        if (!core_.throttle.change_fst(i_, value, false))
            FSTScroll->setValue(0);
        zeiger_start();
    });
    connect(FSTScroll, &QScrollBar::sliderMoved, this, [this](int position) {
        if (!core_.throttle.change_fst(i_, position, true))
            FSTScroll->setValue(0);
        zeiger_start();
    });

    Zeiger = new SpeedPointer;
    Zeiger->setObjectName(indexed_name("Zeiger", i_));

    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(SpeedLbl, 0, 0, 1, 2);
    grid->addWidget(FSTScroll, 1, 0);
    grid->addWidget(Zeiger, 1, 1);
    grid->setRowStretch(1, 1);
    return box;
}

QWidget* ThrottlePanel::build_functions()
{
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(12);
    const int width = fontMetrics().horizontalAdvance(kLicht) + 24;
    for (int n = 0; n < Throttle::Functions; ++n) {
        const int index = Throttle::Functions * i_ + n;
        FCmd[n] = new QPushButton(n == 0 ? kLicht : QStringLiteral("F%1").arg(n));
        FCmd[n]->setObjectName(indexed_name("FCmd", index));
        FCmd[n]->setMinimumWidth(width);
        connect(FCmd[n], &QPushButton::clicked, this,
                [this, index] { core_.throttle.FCmd_Click(index); });
        FKT[n] = new Lamp(colour::White, Lamp::Shape::Rect);
        FKT[n]->setObjectName(indexed_name("FKT", index));

        auto* cell = new QHBoxLayout;
        cell->setSpacing(4);
        cell->addWidget(FKT[n]);
        cell->addWidget(FCmd[n]);
        // The light first on its own row, then F1..F28 column by column.
        const int row = n == 0 ? 0 : 1 + (n - 1) % FnRows;
        const int col = n == 0 ? 0 : (n - 1) / FnRows;
        grid->addLayout(cell, row, col);
    }
    grid->setRowMinimumHeight(0, FCmd[0]->sizeHint().height() + 8);
    return box;
}

void ThrottlePanel::zeiger_timer()
{
    if (!Zeiger->step(core_.throttle.SpeedFrac[size_t(i_)]))
        Zeiger_Timer->stop();
}

void ThrottlePanel::show_name()
{
    LokName->setText(core_.locoList.name(core_.drivers.address(i_)));
}

void ThrottlePanel::lok_reset()
{
    LokName->clear();
    zeiger_start();
    SpeedLbl->setText(kNoSpeed);
    // F13..F28 keep what they showed: stations that do not report them
    // would leave them grey for good.
    for (int n = 0; n < Throttle::Greyed; ++n)
        FKT[size_t(n)]->setColour(colour::Grey);
    LokImage->forget();
    LokImage->show_picture(LokBlankPicture);
    FSTScroll->setValue(0);
}

void ThrottlePanel::lok_show(const PanelView& v)
{
    zeiger_start();
    for (int n = 0; n < Throttle::Functions; ++n)
        if (v.fkt[size_t(n)] >= 0)
            FKT[size_t(n)]->setColour(v.fkt[size_t(n)]);
    if (v.reload)
        LokImage->forget();
    LokImage->show_picture(v.picture);
    // The user's drag wins: an echo of an earlier position must not pull the
    // thumb back under the mouse. Letting go sends the final position.
    if (!FSTScroll->isSliderDown())
        FSTScroll->setValue(v.scroll);
    ProtLbL->setText(v.format);
    show_name();
    if (!v.speed.isNull())
        SpeedLbl->setText(v.speed);
}
