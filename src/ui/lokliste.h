#pragma once
// "Lokliste": one row per loco of the loco list (address and name) and, for
// the row chosen, its name and the label and momentary mark of F0..F28.
// Rows are added ("Neu", with the address of a loco a panel or a phone
// holds), changed ("Übernehmen", Enter) and deleted ("Löschen"); each
// change is saved at once.

#include <QWidget>
#include <array>

class Application;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTableWidget;
struct LocoEntry;

class Lokliste : public QWidget {
    Q_OBJECT
  public:
    Lokliste(Application& core, QWidget* parent);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* build_editor();
    void show_list();
    void show_entry(const LocoEntry& e);
    void row_chosen();
    void new_entry();
    void take_over();
    void delete_entry();
    // Locos on the panels and the phones that have no entry yet.
    QList<int> held_without_entry() const;
    void offer_addresses();

    Application& core_;
    int editing_ = 0; // the address of the entry in the editor; 0 for a new one
    QTableWidget* LokTab;
    QComboBox* LokAdrBox;
    QLineEdit* LokNameTxt;
    std::array<QLineEdit*, 29> FnLabel{};
    std::array<QCheckBox*, 29> FnMoment{};
};
