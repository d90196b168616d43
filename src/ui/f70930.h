#pragma once
// The window of one Pultrix throttle device: the loco address the device is
// given, then the loco's speed step, direction and F0..F14. Every copy is
// named "F70930"; the entry it belongs to is its tag.

#include <QWidget>
#include <array>

class Lamp;
class Pultrix;
class QLabel;
class QLineEdit;
class QPushButton;
struct PxView;

class F70930 : public QWidget {
    Q_OBJECT
  public:
    F70930(Pultrix& pultrix, int entry, QWidget* parent);

    int tag() const { return entry_; }
    // A new device in this entry: caption, empty address, nothing shown.
    void open_new(int device);
    // The device announced itself again: the address may be entered anew.
    void reopen();
    void px_show(const PxView& view);
    // The loco list's name of the device's loco.
    void show_name(const QString& name);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Colours the address and enables OK for one a device takes.
    bool check_address();
    void ok_clicked();
    void show_direction(int dir);

    Pultrix& pultrix_;
    const int entry_;
    QLineEdit* Ladr;
    QPushButton* OKButton;
    QLabel* FST;
    QLabel* LokName;
    std::array<Lamp*, 15> Fanz{};
    std::array<QWidget*, 5> dirParts_{}; // DirO1, DirO2, DirL, DirU1, DirU2
};
