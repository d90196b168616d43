#include "adr_eing_form.h"

#include "routes/route_step.h"
#include "routes/route_table.h"
#include "small_window.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Adresseingabe");

struct GroupLook {
    const char* frameName;
    QString caption;
    const char* textName;
    QString label;
    const char* optionName;
    QStringList options;
    QString noNumber, noOption; // what the user is told is missing
};
const GroupLook kGroups[4] = {
    {"MaFrame",
     QStringLiteral("Magnetartikel"),
     "MagAdrTxt",
     QStringLiteral("Adresse:"),
     "MagOpt",
     {QStringLiteral("rot"), QStringLiteral("grün")},
     QStringLiteral("Magnetartikel: bitte eine Adresse von 1 bis %1 eingeben.")
         .arg(step::MaxNumber - 1),
     QStringLiteral("Magnetartikel: bitte „rot“ oder „grün“ wählen.")},
    {"RmFrame",
     QStringLiteral("Rückmeldungen:"),
     "RmAdrTxt",
     QStringLiteral("Adresse:"),
     "RmOpt",
     {QStringLiteral("frei"), QStringLiteral("belegt")},
     QStringLiteral("Rückmeldung: bitte eine Adresse von 1 bis %1 eingeben.")
         .arg(step::MaxNumber - 1),
     QStringLiteral("Rückmeldung: bitte „frei“ oder „belegt“ wählen.")},
    {"FSFrame",
     QStringLiteral("Fahrstraße:"),
     "FSAdrTxt",
     QStringLiteral("Nummer:"),
     "FSOpt",
     {QStringLiteral("blockieren"), QStringLiteral("freigeben"), QStringLiteral("anforden"),
      QStringLiteral("auflösen")},
     QStringLiteral("Fahrstraße: bitte eine Nummer von 1 bis %1 eingeben.")
         .arg(RouteTable::Rows - 1),
     QStringLiteral("Fahrstraße: bitte wählen, was mit ihr geschehen soll.")},
    {"PauFrame",
     QStringLiteral("Pause:"),
     "PauTxt",
     QStringLiteral("Sekunden:"),
     nullptr,
     {},
     QStringLiteral("Pause: bitte die Sekunden eingeben (mindestens 1)."),
     {}},
};
const QString kNichtsTrigger = QStringLiteral("Bitte Magnetartikel oder Rückmeldung ausfüllen.");
const QString kNichtsSchritt = QStringLiteral("Bitte eine der vier Gruppen ausfüllen.");

struct ButtonLook {
    const char* name;
    QString caption;
    int result;
};
const ButtonLook kButtons[4] = {
    {"OKButton", QStringLiteral("ändern"), route_edit::Change},
    {"einf_but", QStringLiteral("einfügen"), route_edit::Insert},
    {"clr_but", QStringLiteral("löschen"), route_edit::Delete},
    {"CancelButton", AdrEingForm::Abbrechen, route_edit::Cancel},
};

QString indexed(const char* name, int i)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
}

// The entry's text and option of each group, in the groups' order.
template <class E> auto texts(E& e)
{
    return std::array{&e.MagAdr, &e.RmAdr, &e.FSAdr, &e.Pau};
}
template <class E> auto options(E& e)
{
    return std::array{&e.MagOpt, &e.RmOpt, &e.FSOpt, static_cast<decltype(&e.MagOpt)>(nullptr)};
}
} // namespace

AdrEingForm::AdrEingForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AdrEingForm"));
    setWindowTitle(kTitle);

    auto* grid = new QGridLayout;
    for (int g = 0; g < 4; ++g) {
        const GroupLook& look = kGroups[g];
        Group& group = groups_[size_t(g)];
        group.frame = new QGroupBox(look.caption);
        group.frame->setObjectName(QLatin1String(look.frameName));
        group.text = new QLineEdit;
        group.text->setObjectName(QLatin1String(look.textName));
        group.text->setMaxLength(9); // any number typed stays readable
        connect(group.text, &QLineEdit::textEdited, this, [this, g] { typed(g); });
        auto* form = new QFormLayout(group.frame);
        form->addRow(look.label, group.text);
        if (look.optionName) {
            group.options = new QButtonGroup(this);
            for (int k = 0; k < look.options.size(); ++k) {
                auto* option = new QRadioButton(look.options[k]);
                option->setObjectName(indexed(look.optionName, k));
                group.options->addButton(option, k);
                form->addRow(option);
            }
            connect(group.options, &QButtonGroup::idClicked, this, [this, g] { clear_others(g); });
        }
        grid->addWidget(group.frame, g / 2, g % 2);
    }

    auto* buttons = new QDialogButtonBox;
    for (const ButtonLook& b : kButtons) {
        auto* button = buttons->addButton(b.caption, QDialogButtonBox::ActionRole);
        button->setObjectName(QLatin1String(b.name));
        const int result = b.result;
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    }
    buttons->findChild<QPushButton*>(QStringLiteral("OKButton"))->setDefault(true);

    // Says what keeps an entry from being taken; the window stays open.
    HinweisLbl = new QLabel;
    HinweisLbl->setObjectName(QStringLiteral("HinweisLbl"));
    HinweisLbl->setWordWrap(true);
    QPalette red = HinweisLbl->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    HinweisLbl->setPalette(red);
    HinweisLbl->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(HinweisLbl);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    fit_title(layout, kTitle);
}

void AdrEingForm::fill(const route_edit::Entry& e, bool stepCell)
{
    stepCell_ = stepCell;
    HinweisLbl->hide();
    const auto t = texts(e);
    const auto o = options(e);
    for (int g = 0; g < 4; ++g) {
        Group& group = groups_[size_t(g)];
        group.frame->setVisible(stepCell || g < 2);
        group.text->setText(*t[size_t(g)]);
        if (group.options)
            set_option(group.options, *o[size_t(g)]);
    }
    // Typing starts in the group that holds the cell's entry.
    int focus = 0;
    for (int g = 0; g < 4; ++g)
        if (!t[size_t(g)]->isEmpty()) {
            focus = g;
            break;
        }
    groups_[size_t(focus)].text->setFocus();
    groups_[size_t(focus)].text->selectAll();
}

route_edit::Entry AdrEingForm::entry() const
{
    route_edit::Entry e;
    const auto t = texts(e);
    const auto o = options(e);
    for (int g = 0; g < 4; ++g) {
        const Group& group = groups_[size_t(g)];
        *t[size_t(g)] = group.text->text();
        if (group.options)
            *o[size_t(g)] = group.options->checkedId();
    }
    return e;
}

void AdrEingForm::done(int result)
{
    if (result == route_edit::Change || result == route_edit::Insert) {
        const route_edit::Missing m = route_edit::missing(entry(), stepCell_);
        if (m.part != route_edit::Missing::Nothing) {
            refuse(m);
            return;
        }
    }
    QDialog::done(result == QDialog::Rejected ? route_edit::Cancel : result);
}

void AdrEingForm::refuse(const route_edit::Missing& m)
{
    const GroupLook& look = kGroups[m.group];
    const Group& group = groups_[size_t(m.group)];
    switch (m.part) {
    case route_edit::Missing::Option:
        HinweisLbl->setText(look.noOption);
        group.options->buttons().constFirst()->setFocus();
        break;
    case route_edit::Missing::Number:
        HinweisLbl->setText(look.noNumber);
        group.text->setFocus();
        group.text->selectAll();
        break;
    default:
        HinweisLbl->setText(stepCell_ ? kNichtsSchritt : kNichtsTrigger);
        group.text->setFocus();
        break;
    }
    HinweisLbl->show();
}

void AdrEingForm::typed(int g)
{
    // Only digits: a pause typed as 2.5 becomes 25.
    QLineEdit* text = groups_[size_t(g)].text;
    const QString digits = digits_only(text->text());
    if (digits != text->text())
        text->setText(digits);
    clear_others(g);
}

void AdrEingForm::clear_others(int g)
{
    for (int k = 0; k < 4; ++k) {
        if (k == g)
            continue;
        groups_[size_t(k)].text->clear();
        set_option(groups_[size_t(k)].options, -1);
    }
}

void AdrEingForm::set_option(QButtonGroup* options, int id)
{
    if (!options)
        return;
    // An exclusive group cannot lose its last choice.
    options->setExclusive(false);
    for (QAbstractButton* b : options->buttons())
        b->setChecked(options->id(b) == id);
    options->setExclusive(true);
}
