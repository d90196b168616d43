#pragma once
// The main window: connection frame, STOP/GO with its power lamp, raw
// messages, the five pages of MainTab and the menu bar that opens every
// other window. Handlers read a widget and call the core; the core's
// signals redraw.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>

class Application;
class DCCProg;
class DispatchLok;
class FaStrEditForm;
class Grundeinst;
class HelpWindow;
class Lamp;
class LNProg;
class LncvModuleWindow;
class LnMonitor;
class Lokeinst;
class Lokliste;
class PortField;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class ResetWindow;
class SOWindow;
class ThrottlePanel;
class VersionWindow;
class WiThrottleWin;
class ZentraleForm;
class ZkNamen;

class MainWin : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWin(Application& core, QWidget* parent = nullptr);

    // Enables the request-sending parts of the window when not busy.
    void lock_ui(bool busy);
    void show_power(int state);
    void show_station();

    // Keyboard driving: a key pressed on the main window acts on the page
    // MainTab shows (throttle keys on pages 0 and 1, a digit on pages 2..4
    // opens that page's key-entry window, "T" goes to the next page).
    void keydown(int keyCode);
    // What a digit key does on pages 2..4 (key-entry windows); set by the
    // code that builds those pages.
    std::array<std::function<void(int digit)>, 5> keyEntry;

    // Shows a secondary window without blocking, or brings it up again.
    static void show_window(QWidget* window);

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Keys no control took go to keydown, unless a text field has the focus.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void build_menus();
    QWidget* build_connection();
    QWidget* build_power();
    QWidget* build_raw_message();

    void stop_go_clicked();
    void send_raw_message();
    void show_send_state(bool connected);
    void connected();
    void disconnected();
    void waiting_for(const QString& device);
    // The permanent field of the status bar.
    void show_connection_state();
    void focus_loco_address();
    void ende_menu();
    void show_help();
    // The help at the part about the window or page from is in.
    void show_help_for(const QWidget* from);
    void show_info();
    void show_version_window();
    void show_zentrale_form();
    void show_so_window();
    void show_grundeinst();
    void show_reset();
    void show_lokeinst();
    void show_dispatch();
    void show_monitor();
    void show_withrottle();
    void show_lokliste();
    void show_zk_namen();
    void show_dcc_prog();
    void show_route_editor();
    void show_ln_prog();
    void show_lncv_modules();

    Application& core_;
    HelpWindow* hilfe_;
    VersionWindow* version_;
    ZentraleForm* zentrale_;
    SOWindow* so_;
    Grundeinst* grundeinst_;
    ResetWindow* reset_;
    Lokeinst* lokeinst_;
    DispatchLok* dispatchLok_;
    ZkNamen* zknamen_;
    QPointer<DCCProg> dccProg_; // given up when closed with its frame
    FaStrEditForm* faStrEdit_;  // holds no data of its own, hidden when closed
    LNProg* lnProg_;
    LncvModuleWindow* lncvModules_ = nullptr; // made when first opened
    LnMonitor* monitor_ = nullptr;
    WiThrottleWin* withrottle_ = nullptr;
    Lokliste* lokliste_ = nullptr;

    QMenu* EinstellMenu = nullptr;
    QMenu* ToolsMenu = nullptr;
    QGroupBox* USB_Frame = nullptr;
    PortField* PortAdr = nullptr;
    std::array<QPushButton*, 2> OpenPortBut{};
    QLabel* Interface_Info = nullptr;
    QLabel* Zentralen_Info = nullptr;
    QPushButton* StopGoBut = nullptr;
    Lamp* StopGoAnz = nullptr;
    QLineEdit* MesTxt = nullptr;
    QPushButton* LN_MES_SEND = nullptr;
    QTabWidget* MainTab = nullptr;
    QLabel* VerbStatus = nullptr;
    QString awaited_; // the port waited for while it is away
    std::array<ThrottlePanel*, 2> Fahrpult{};
    // The lock takes the focus from the controls it disables; it goes back
    // to lockedFocus_ on unlock unless the user has moved it meanwhile.
    QPointer<QWidget> lockedFocus_;
    QPointer<QWidget> focusAfterLock_;
};
