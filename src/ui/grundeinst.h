#pragma once
// The command station's base settings in plain form: read from six special
// options each time the window is opened, written back on accept.

#include "station/base_settings.h"

#include <QWidget>
#include <array>
#include <optional>

class Application;
class QCheckBox;
class QComboBox;
class QLineEdit;

class Grundeinst : public QWidget {
    Q_OBJECT
  public:
    explicit Grundeinst(Application& core, QWidget* parent = nullptr);

    // Shows the window and reads the settings again; until they have been
    // read, "Einstellungen übernehmen" writes nothing.
    void open();

  private:
    base_settings::Shown shown() const;
    void show_base_settings();
    void mag_zeit_changed(int index);
    void mag_pak_changed();
    void accept_settings();

    Application& core_;
    QComboBox* LokdatenfCO;
    QComboBox* MagdatenfCO;
    std::array<QLineEdit*, 2> MagZeitTxt;
    QLineEdit* MagPakTxt;
    QCheckBox* StopModeChk;
    std::optional<base_settings::Values> read_; // what the last read gave
};
