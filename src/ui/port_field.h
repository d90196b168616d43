#pragma once
// The port field: offers the serial ports the system reports and accepts a
// typed port number or device name just as well.

#include <QComboBox>

class PortField : public QComboBox {
    Q_OBJECT
  public:
    explicit PortField(const QString& text, QWidget* parent = nullptr);

    // Lists the ports present now, keeping the text typed.
    void refresh();
    void showPopup() override;
};
