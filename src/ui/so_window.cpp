#include "so_window.h"

#include "small_window.h"

#include "application/application.h"
#include "core/number_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kTitle = QStringLiteral("Sonderoptionen ");
const QString kSO = QStringLiteral("SO");
const QString kEquals = QStringLiteral("=");
const QString kLesen = QStringLiteral("Lesen");
const QString kProgrammieren = QStringLiteral("Programmieren");
} // namespace

SOWindow::SOWindow(Application& core, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core), SO_NR_TXT(number_edit("SO_NR_TXT", 4)),
      SO_VAL_TXT(number_edit("SO_VAL_TXT", 3)), rd_so(new QPushButton(kLesen)),
      wr_so(new QPushButton(kProgrammieren))
{
    setObjectName(QStringLiteral("SOWin"));
    setWindowTitle(kTitle);
    rd_so->setObjectName(QStringLiteral("rd_so"));
    wr_so->setObjectName(QStringLiteral("wr_so"));
    SO_NR_TXT->setText(QStringLiteral("1"));
    SO_VAL_TXT->setText(QStringLiteral("-"));

    auto* so = new QLabel(kSO);
    so->setBuddy(SO_NR_TXT);
    auto* fields = new QHBoxLayout;
    fields->addWidget(so);
    fields->addWidget(SO_NR_TXT);
    fields->addWidget(new QLabel(kEquals));
    fields->addWidget(SO_VAL_TXT);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(rd_so);
    buttons->addWidget(wr_so);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    fit_title(layout, kTitle);
    hide_on_escape(this);

    connect(SO_NR_TXT, &QLineEdit::textChanged, this, &SOWindow::check_fields);
    connect(SO_VAL_TXT, &QLineEdit::textChanged, this, &SOWindow::check_fields);
    // Enter reads in the number field and writes in the value field.
    connect(SO_NR_TXT, &QLineEdit::returnPressed, rd_so, &QPushButton::click);
    connect(SO_VAL_TXT, &QLineEdit::returnPressed, wr_so, &QPushButton::click);
    connect(rd_so, &QPushButton::clicked, this, [this] { core_.options.read(SO_NR_TXT->text()); });
    connect(wr_so, &QPushButton::clicked, this,
            [this] { core_.options.write(SO_NR_TXT->text(), SO_VAL_TXT->text()); });
    connect(&core_.options, &SonderOptions::option_read, this, &SOWindow::show_option);
    check_fields();
}

void SOWindow::check_fields()
{
    // A number too large is refused by the button with its box; a value
    // above 255 cannot be typed for any option.
    const bool number = is_number_text(SO_NR_TXT->text());
    const bool value = number_text_in(SO_VAL_TXT->text(), 0, SonderOptions::MaxValue);
    show_valid(SO_NR_TXT, number);
    show_valid(SO_VAL_TXT, value);
    rd_so->setEnabled(number && value);
    wr_so->setEnabled(number && value);
}

void SOWindow::show_option(int number, int value)
{
    SO_NR_TXT->setText(QString::number(number));
    SO_VAL_TXT->setText(QString::number(value));
}
