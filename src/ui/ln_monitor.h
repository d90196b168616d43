#pragma once
// "LocoNet Monitor": every message the program sends and takes in, in plain
// words. It watches the link only while it is shown, so a closed monitor
// costs the bus nothing. A saved file can be loaded back and read the same
// way.

#include <QWidget>

class Link;
class MessageService;
class MonitorFilter;
class MonitorModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

class LnMonitor : public QWidget {
    Q_OBJECT
  public:
    LnMonitor(Link& link, MessageService& msgs, QWidget* parent);
    ~LnMonitor() override;

    MonitorModel& model() { return *model_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void apply_filter();
    void save();
    void load(const QString& path);
    void show_count();

    Link& link_;
    MessageService& msgs_;
    MonitorModel* model_;
    MonitorFilter* filter_;
    QTableView* MonitorView;
    QPushButton* PauseBut;
    QPushButton* ClearBut;
    QPushButton* SaveBut;
    QPushButton* LoadBut;
    QLineEdit* FilterTxt;
    QLineEdit* OpcodeTxt;
    QLabel* StatusLbl;
    bool follow_ = true; // the view was at the newest line: keep it there
};
