#pragma once
// "LocoNet Module verwalten": finds the modules on the bus, reads all LNCVs
// of the one chosen, writes edited values, saves them to a backup file and
// writes a backup back. The sessions run in the core (LncvManager); hiding
// the window ends the one running.

#include <QString>
#include <QWidget>

class LncvManager;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

class LncvModuleWindow : public QWidget {
    Q_OBJECT
  public:
    LncvModuleWindow(LncvManager& manager, QWidget* parent);

  protected:
    void hideEvent(QHideEvent* event) override;

  private:
    void show_busy(bool busy);
    void show_progress(int done, int total);
    void show_selection(int row);
    void save_clicked();
    void load_clicked();
    QString file_start() const;

    LncvManager& m_;
    QLineEdit* LmArtNrTxt;
    QPushButton* LmSucheBut;
    QTableView* LmModulTab;
    QLineEdit* LmBisTxt;
    QPushButton* LmLesenBut;
    QPushButton* LmSchreibenBut;
    QTableView* LmWertTab;
    QPushButton* LmSichernBut;
    QPushButton* LmDateiBut;
    QPushButton* LmZurueckBut;
    QProgressBar* LmFortschritt;
    QPushButton* LmAbbrechenBut;
    QString folder_; // where the last backup was saved or loaded
};
