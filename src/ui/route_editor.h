#pragma once
// The route editor FaStrEditForm: the whole route table in a grid, the two
// accessory times, and what the route engine is doing. A left click on a
// flag toggles it; on a trigger or step it opens the input dialog; a right
// click on a selected route's number asks whether to delete the route.
// Closing the window only hides it.

#include <QWidget>

class AdrEingForm;
class Application;
class QLabel;
class QLineEdit;
class QTableView;

class FaStrEditForm : public QWidget {
    Q_OBJECT
  public:
    FaStrEditForm(Application& core, QWidget* parent);

  protected:
    // Form_Activate: the time fields show the table's times.
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* build_footer();
    void cell_pressed(int r, int c);
    void ask_delete(int r);
    void dialog_done(int result);
    void time_edited(QLineEdit* field, int& time);
    void show_times();

    Application& core_;
    QTableView* FSTab;
    QLineEdit* MagT1Txt = nullptr;
    QLineEdit* MagT2Txt = nullptr;
    QLabel* FsStatTxt = nullptr;
    QLabel* BefNrTxt = nullptr;
    AdrEingForm* AdrEing = nullptr; // made on first use
    int editRow_ = 0, editCol_ = 0; // the cell the dialog is open for
};
