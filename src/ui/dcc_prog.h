#pragma once
// The DCC programming window: single CVs with their bits, the standard CVs
// and CV 29, the decoder-specific CV table, the list of known CVs, and the
// CV and list files. Buttons start the programming jobs of the core; the
// core's signals fill the fields.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>

class Application;
class CvTable;
class DCCProgSpeed;
class NeueCVZeile;
class Programming;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class QTimer;

class DCCProg : public QMainWindow {
    Q_OBJECT
  public:
    DCCProg(Application& core, std::function<void()> openHelp, QWidget* parent = nullptr);

    CvTable& table() { return *table_; }

    // Colours the box black or red and returns whether its text is a number
    // no larger than max ("-" and empty count as valid).
    bool check_val(QLineEdit* box, int max);
    void save_cv();
    void load_cv();
    void save_cvtab();
    void load_cvtab();
    void NewRow(int cv, const QString& text);
    void ClrRow(int row);

  protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void build_menus();
    QWidget* build_single();
    QWidget* build_std();
    QWidget* build_cv29();
    QWidget* build_table();
    QWidget* build_list();
    QWidget* build_status();

    void activated();
    void show_std_cvs();
    void show_address();
    void show_cv_list();
    void prog_buttons(bool enable);
    void update_buttons();
    void check_fields();
    void caption();

    void value_changed();
    void bit_clicked();
    void list_clicked(int row);
    void read_one();
    void write_one();
    void write_std();

    void neuer_decoder();
    void load_menu();
    void save_menu();
    void save_as_menu();
    void cvtab_load_menu();
    void cvtab_save_menu();
    void speed_tab_menu();
    void CVTab_einf();
    void CVTab_clr();
    void CVTAB_Clrall();
    void new_row_done(int result);

    void cell_entered();
    bool table_key(int key);
    bool table_mouse(QPoint pos, Qt::MouseButton button);
    bool header_mouse(QPoint pos, Qt::MouseButton button);

    Application& core_;
    Programming& prog_;
    std::function<void()> openHelp_;
    CvTable* table_;
    QPointer<DCCProgSpeed> speed_;
    NeueCVZeile* neueZeile_ = nullptr;

    QLineEdit* CVAdrTxt = nullptr;
    QLineEdit* CVValTxt = nullptr;
    QPushButton* RDCVBut = nullptr;
    QPushButton* WRCVBut = nullptr;
    std::array<QCheckBox*, 8> CVBit{};
    std::array<QLineEdit*, 7> CVTxt{}; // 1..6
    QLabel* CV7Lbl = nullptr;
    QLabel* CV8Lbl = nullptr;
    std::array<QCheckBox*, 8> CV29Bit{};
    QPushButton* DecRdCVBut = nullptr;
    QPushButton* DecWrCVBut = nullptr;
    QPushButton* ReadRCData = nullptr;
    QLabel* ReadRCDataLabel = nullptr;
    QLabel* TabNameTxt = nullptr;
    QTableView* Tabelle = nullptr;
    QPushButton* DecRdUserList = nullptr;
    QPushButton* DecWrUserList = nullptr;
    QListWidget* CVListe = nullptr;
    QLabel* DCCProgStat = nullptr;
    QPushButton* Cancel = nullptr;
    QTimer* Timer_Tabelle = nullptr;

    bool progFree_ = true;    // no programming job runs
    bool fieldsOk_ = true;    // every number field is valid
    bool bitGuard_ = false;   // CVValTxt is being set from the bit boxes
    bool valueGuard_ = false; // the bit boxes are being set from CVValTxt
    // CV 29 is written only once it is known or a box has been clicked:
    // unknown, the boxes show zeros that are no value of the decoder.
    bool cv29Set_ = false;
};
