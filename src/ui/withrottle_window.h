#pragma once
// "WiThrottle": whether the server for phone and tablet throttles runs,
// where clients find it, and each connected device with the locos it holds.
// It only shows what the server reports.

#include <QWidget>

class QLabel;
class QTreeWidget;
class WiThrottleServer;

class WiThrottleWin : public QWidget {
    Q_OBJECT
  public:
    WiThrottleWin(WiThrottleServer& server, QWidget* parent);

  private:
    void show_server();
    void show_devices();

    WiThrottleServer& server_;
    QLabel* ServerLbl;
    QLabel* AnnounceLbl;
    QTreeWidget* DeviceView;
};
