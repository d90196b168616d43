#pragma once
// The dialog for a new row of the CV table: CV number, explanation and the
// table's name. It is opened window-modal without a nested event loop; the
// owner acts on finished().

#include <QDialog>

class MessageService;
class QLineEdit;

class NeueCVZeile : public QDialog {
    Q_OBJECT
  public:
    NeueCVZeile(MessageService& msgs, QWidget* parent);

    // Empties the row fields, shows the table name and opens the dialog.
    void ask(const QString& tableName);

    // After acceptance: the CV (0 when the field was left empty), the
    // explanation and the table name.
    int cv() const;
    QString explanation() const;
    QString tableName() const;

    void accept() override;

  private:
    MessageService& msgs_;
    QLineEdit* CVNrTxT;
    QLineEdit* CVErklTxt;
    QLineEdit* CvTabNameTxt;
};
