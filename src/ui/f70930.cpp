#include "f70930.h"

#include "lamp.h"
#include "panel_parts.h"
#include "small_window.h"

#include "core/colour.h"
#include "loco/pultrix.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kCaption = QStringLiteral("PX Fahrpult");
const QString kAdresse = QStringLiteral("Adresse:");
const QString kOK = QStringLiteral("OK");
const QString kFahrstufe = QStringLiteral("Fahrstufe:");
const QString kFunktionen = QStringLiteral("Funktionen");
const QString kNone = QStringLiteral("-");

constexpr QSize ArrowSize{24, 48};

// One stroke of the direction arrow, between two points given as fractions
// of the arrow's box; shown or hidden on its own.
class ArrowPart : public QWidget {
  public:
    ArrowPart(const char* name, QPointF from, QPointF to, QWidget* box)
        : QWidget(box), from_(from), to_(to)
    {
        setObjectName(QLatin1String(name));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(box->rect());
        hide();
    }

  protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(palette().windowText(), 3, Qt::SolidLine, Qt::RoundCap));
        const auto at = [this](QPointF f) { return QPointF(f.x() * width(), f.y() * height()); };
        p.drawLine(at(from_), at(to_));
    }

  private:
    QPointF from_, to_;
};
} // namespace

F70930::F70930(Pultrix& pultrix, int entry, QWidget* parent)
    : QWidget(parent, Qt::Dialog), pultrix_(pultrix), entry_(entry), Ladr(number_edit("Ladr", 5)),
      OKButton(new QPushButton(kOK)), FST(new QLabel(kNone)), LokName(new QLabel)
{
    setObjectName(QStringLiteral("F70930"));
    // An announcement opens it; the keyboard stays where the user types.
    setAttribute(Qt::WA_ShowWithoutActivating);

    OKButton->setObjectName(QStringLiteral("OKButton"));
    auto* frame1 = new QGroupBox(kAdresse);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* entryRow = new QHBoxLayout(frame1);
    entryRow->addWidget(Ladr, 1);
    entryRow->addWidget(OKButton);

    auto* speed = new QLabel(kFahrstufe);
    speed->setObjectName(QStringLiteral("Speed"));
    FST->setObjectName(QStringLiteral("FST"));
    FST->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    FST->setAlignment(Qt::AlignCenter);
    FST->setMinimumWidth(FST->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    auto* arrow = new QWidget;
    arrow->setFixedSize(ArrowSize);
    dirParts_ = {new ArrowPart("DirO1", {0.5, 0.05}, {0.15, 0.35}, arrow),
                 new ArrowPart("DirO2", {0.5, 0.05}, {0.85, 0.35}, arrow),
                 new ArrowPart("DirL", {0.5, 0.05}, {0.5, 0.95}, arrow),
                 new ArrowPart("DirU1", {0.5, 0.95}, {0.15, 0.65}, arrow),
                 new ArrowPart("DirU2", {0.5, 0.95}, {0.85, 0.65}, arrow)};
    auto* speedRow = new QHBoxLayout;
    speedRow->addWidget(speed);
    speedRow->addWidget(FST, 0, Qt::AlignVCenter);
    speedRow->addStretch();
    speedRow->addWidget(arrow);
    // The name under the address, as wide as the window is anyway.
    LokName->setObjectName(QStringLiteral("LokName"));
    LokName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    auto* frame2 = new QGroupBox(kFunktionen);
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto* grid = new QGridLayout(frame2);
    constexpr int PerRow = 5;
    for (int n = 0; n < Pultrix::Functions; ++n) {
        Fanz[size_t(n)] = new Lamp(colour::White);
        Fanz[size_t(n)]->setObjectName(indexed_name("Fanz", n));
        auto* label = new QLabel(QStringLiteral("F%1").arg(n));
        const int row = n / PerRow * 2, col = n % PerRow;
        grid->addWidget(label, row, col, Qt::AlignHCenter);
        grid->addWidget(Fanz[size_t(n)], row + 1, col, Qt::AlignHCenter);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame1);
    layout->addWidget(LokName);
    layout->addLayout(speedRow);
    layout->addWidget(frame2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    fit_title(layout, kCaption + QString::number(Pultrix::MaxAddress));

    close_on_escape(this);
    connect(Ladr, &QLineEdit::textEdited, this, &F70930::check_address);
    connect(Ladr, &QLineEdit::returnPressed, this, [this] {
        if (check_address())
            OKButton->click();
    });
    connect(OKButton, &QPushButton::clicked, this, &F70930::ok_clicked);
}

void F70930::open_new(int device)
{
    setWindowTitle(kCaption + QString::number(device));
    FST->setText(kNone);
    LokName->clear();
    for (Lamp* lamp : Fanz)
        lamp->setColour(colour::White);
    show_direction(-1);
    reopen();
}

void F70930::reopen()
{
    // Ready for the address: the colour tells about what is typed, and OK
    // checks what it is given.
    Ladr->clear();
    show_valid(Ladr, true);
    Ladr->setEnabled(true);
    Ladr->setFocus();
    OKButton->setEnabled(true);
}

bool F70930::check_address()
{
    const bool ok = Pultrix::address(Ladr->text()).has_value();
    show_valid(Ladr, ok);
    OKButton->setEnabled(ok);
    return ok;
}

void F70930::ok_clicked()
{
    // Nothing is sent for a loco the device does not take (an empty field
    // right after the window opened).
    if (check_address() && pultrix_.ok_clicked(entry_, Ladr->text()))
        OKButton->setEnabled(false);
}

void F70930::px_show(const PxView& v)
{
    if (!v.ladr.isNull())
        Ladr->setText(v.ladr);
    if (!v.fst.isNull())
        FST->setText(v.fst);
    for (int n = 0; n < Pultrix::Functions; ++n)
        Fanz[size_t(n)]->setColour(v.fanz[size_t(n)]);
    show_direction(v.dir);
    if (!v.entryOpen) {
        OKButton->setEnabled(false);
        Ladr->setEnabled(false);
    }
}

void F70930::show_name(const QString& name)
{
    LokName->setText(LokName->fontMetrics().elidedText(name, Qt::ElideRight, LokName->width()));
    LokName->setToolTip(name);
}

void F70930::show_direction(int dir)
{
    // Forward: the head at the top; reverse: at the bottom.
    const bool shown[2][5] = {{true, true, true, false, false}, {false, false, true, true, true}};
    for (size_t k = 0; k < dirParts_.size(); ++k)
        dirParts_[k]->setVisible(dir >= 0 && shown[dir][k]);
}

void F70930::closeEvent(QCloseEvent* event)
{
    pultrix_.f70930_end(entry_);
    QWidget::closeEvent(event);
}
