#include "neue_cv_zeile.h"

#include "core/messages.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kTitle = QStringLiteral("CV-Tabelle: neue Zeile");
const QString kCvNr = QStringLiteral("CV-Nr:");
const QString kErklaerung = QStringLiteral("Erklärung:");
const QString kNameTabelle = QStringLiteral("Name Tabelle:");
const QString kOk = QStringLiteral("OK");
const QString kUngueltig =
    QStringLiteral("Die CV-Nummer \"%1\" ist ungültig; erlaubt sind 1 bis 1023.");
} // namespace

NeueCVZeile::NeueCVZeile(MessageService& msgs, QWidget* parent)
    : QDialog(parent), msgs_(msgs), CVNrTxT(new QLineEdit), CVErklTxt(new QLineEdit),
      CvTabNameTxt(new QLineEdit)
{
    setObjectName(QStringLiteral("NeueCVZeile"));
    setWindowTitle(kTitle);
    CVNrTxT->setObjectName(QStringLiteral("CVNrTxT"));
    CVErklTxt->setObjectName(QStringLiteral("CVErklTxt"));
    CvTabNameTxt->setObjectName(QStringLiteral("CvTabNameTxt"));
    CVNrTxT->setMaxLength(4);
    CVErklTxt->setMinimumWidth(CVErklTxt->fontMetrics().horizontalAdvance(u'M') * 24);
    auto* ok = new QPushButton(kOk);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* form = new QFormLayout(this);
    form->addRow(kCvNr, CVNrTxT);
    form->addRow(kErklaerung, CVErklTxt);
    form->addRow(kNameTabelle, CvTabNameTxt);
    form->addRow(ok);
    form->setSizeConstraint(QLayout::SetFixedSize);
}

void NeueCVZeile::ask(const QString& tableName)
{
    CVNrTxT->clear();
    CVErklTxt->clear();
    CvTabNameTxt->setText(tableName);
    setWindowModality(Qt::WindowModal);
    open();
    CVNrTxT->setFocus();
}

int NeueCVZeile::cv() const
{
    return CVNrTxT->text().trimmed().toInt();
}

QString NeueCVZeile::explanation() const
{
    return CVErklTxt->text();
}

QString NeueCVZeile::tableName() const
{
    return CvTabNameTxt->text();
}

void NeueCVZeile::accept()
{
    // An empty number only renames the table; a number that cannot be a
    // CV keeps the dialog open so nothing typed is lost.
    const QString text = CVNrTxT->text().trimmed();
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!text.isEmpty() && (!ok || n < 1 || n > 1023)) {
        msgs_.show(titles::Fehler, kUngueltig.arg(text));
        CVNrTxT->setFocus();
        return;
    }
    QDialog::accept();
}
