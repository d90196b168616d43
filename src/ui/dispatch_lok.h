#pragma once
// Handing a loco to a simple hand throttle (FRED) through the dispatch slot.

#include <QWidget>

class Application;
class QLineEdit;
class QPushButton;

class DispatchLok : public QWidget {
    Q_OBJECT
  public:
    explicit DispatchLok(Application& core, QWidget* parent = nullptr);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void address_changed();
    void dispatch_clicked();

    Application& core_;
    QLineEdit* LokadrTxt;
    QPushButton* DispBut;
    bool running_ = false; // a dispatch asked for and not yet ended
};
