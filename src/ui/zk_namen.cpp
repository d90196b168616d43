#include "zk_namen.h"

#include "trainid/kennix.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Namen für Kennix Zugkat.");
const QString kZugkategorie = QStringLiteral("Zugkategorie %1:");
const QString kOk = QStringLiteral("OK");
} // namespace

ZkNamen::ZkNamen(Kennix& kennix, QWidget* parent) : QDialog(parent), kennix_(kennix)
{
    setObjectName(QStringLiteral("ZKNamen"));
    setWindowTitle(kTitle);
    auto* form = new QFormLayout;
    // zk.dat quotes each name, so a name cannot hold a double quote.
    auto* noQuote =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\"]*")), this);
    for (int i = 0; i < int(ZkTXT.size()); ++i) {
        ZkTXT[i] = new QLineEdit;
        ZkTXT[i]->setObjectName(QStringLiteral("ZkTXT_%1").arg(i));
        ZkTXT[i]->setValidator(noQuote);
        ZkTXT[i]->setMinimumWidth(ZkTXT[i]->fontMetrics().horizontalAdvance(u'x') * 24);
        form->addRow(kZugkategorie.arg(i + 1), ZkTXT[i]);
    }
    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(kOk, QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("AbbruchBut"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &ZkNamen::accept_names);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

// Opening the window shows the names in use; edits not confirmed with OK
// are dropped. Restoring it from the task bar keeps what is being typed.
void ZkNamen::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        for (size_t i = 0; i < ZkTXT.size(); ++i)
            ZkTXT[i]->setText(kennix_.ZkName[i]);
    QDialog::showEvent(event);
}

void ZkNamen::accept_names()
{
    ZkNames names;
    for (size_t i = 0; i < ZkTXT.size(); ++i)
        names[i] = ZkTXT[i]->text();
    kennix_.set_names(names);
    accept();
}
