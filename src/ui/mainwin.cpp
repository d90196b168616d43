#include "mainwin.h"

#include "dcc_prog.h"
#include "dispatch_lok.h"
#include "feedback_page.h"
#include "grundeinst.h"
#include "help_key.h"
#include "help_window.h"
#include "kennix_windows.h"
#include "key_code.h"
#include "keyboard_page.h"
#include "lamp.h"
#include "ln_monitor.h"
#include "ln_prog.h"
#include "lncv_module_window.h"
#include "lokeinst.h"
#include "lokliste.h"
#include "message_presenter.h"
#include "panel_parts.h"
#include "port_field.h"
#include "pultrix_windows.h"
#include "reset_window.h"
#include "route_editor.h"
#include "route_page.h"
#include "so_window.h"
#include "throttle_panel.h"
#include "version_window.h"
#include "withrottle_window.h"
#include "zentrale_form.h"
#include "zk_namen.h"

#include "application/application.h"
#include "connection/identify.h"
#include "core/colour.h"
#include "core/shell.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Quorail");
const QString kUsbFrame = QStringLiteral("Zentrale/Interface:");
const QString kPortNr = QStringLiteral("PortNr.:");
const QString kTrennen = QStringLiteral("Trennen");
const QString kVerbinden = QStringLiteral("Verbinden");
const QString kStopGoUnknown = QStringLiteral("- - -");
const QString kStopGoNone = QStringLiteral("---");
const QString kStop = QStringLiteral("STOP");
const QString kGo = QStringLiteral("GO");
const QString kSend = QStringLiteral("Sende LN Mes");
const QString kSendNurVerbunden = QStringLiteral("Erst nach \"Verbinden\" möglich");
const QString kProgramminfo = QStringLiteral("Programminfo");
const QString kWarteAuf = QStringLiteral("Verbindung verloren – warte auf %1 …");
const QString kVerbunden = QStringLiteral("Verbunden");
const QString kVerbinde = QStringLiteral("Verbinde …");
const QString kNichtVerbunden = QStringLiteral("Nicht verbunden");
const QStringList kTabs = {
    QStringLiteral("Fahrpult 1"), QStringLiteral("Fahrpult 2"),  QStringLiteral("Magnetartikel"),
    QStringLiteral("Rückmelder"), QStringLiteral("Fahrstraßen"),
};

// Key codes the window handles itself.
constexpr int KeyPause = 19;
constexpr int KeyA = 65;
constexpr int KeyT = 84;

QLabel* info_label(const char* name)
{
    auto* l = new QLabel;
    l->setObjectName(QLatin1String(name));
    l->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    l->setMinimumWidth(150);
    return l;
}
} // namespace

MainWin::MainWin(Application& core, QWidget* parent)
    : QMainWindow(parent), core_(core), hilfe_(new HelpWindow(core, this)),
      version_(new VersionWindow(core, this)), zentrale_(new ZentraleForm(core, this)),
      so_(new SOWindow(core, this)), grundeinst_(new Grundeinst(core, this)),
      reset_(new ResetWindow(core, this)), lokeinst_(new Lokeinst(core, this)),
      dispatchLok_(new DispatchLok(core, this)), zknamen_(new ZkNamen(core.kennix, this)),
      faStrEdit_(new FaStrEditForm(core, this)), lnProg_(new LNProg(core, this))
{
    setObjectName(QStringLiteral("MainWin"));
    setWindowTitle(kTitle);
    new MessagePresenter(core_.msgs, this);
    new HelpKey([this](QWidget* from) { show_help_for(from); }, this);
    new KennixWindows(core_.kennix, this);
    new PultrixWindows(core_.pultrix, core_.locoList, this);

    build_menus();

    MainTab = new QTabWidget;
    MainTab->setObjectName(QStringLiteral("MainTab"));
    // A clicked tab takes the keyboard, so a digit typed next reaches the
    // page's key entry instead of the page's selector.
    MainTab->tabBar()->setFocusPolicy(Qt::StrongFocus);
    for (int i = 0; i < 2; ++i) {
        Fahrpult[i] = new ThrottlePanel(core_, i);
        MainTab->addTab(Fahrpult[i], kTabs[i]);
    }
    auto* keyboard = new KeyboardPage(core_, this);
    MainTab->addTab(keyboard, kTabs[2]);
    keyEntry[2] = [keyboard](int digit) { keyboard->key_entry(digit); };
    auto* feedback = new FeedbackPage(core_, this);
    MainTab->addTab(feedback, kTabs[3]);
    keyEntry[3] = [feedback](int digit) { feedback->key_entry(digit); };
    auto* routes = new RoutePage(core_, this);
    MainTab->addTab(routes, kTabs[4]);
    keyEntry[4] = [routes](int digit) { routes->key_entry(digit); };

    auto* top = new QHBoxLayout;
    top->addWidget(build_connection());
    auto* right = new QVBoxLayout;
    right->addWidget(build_power());
    right->addWidget(build_raw_message());
    right->addStretch();
    top->addLayout(right, 1);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(top);
    layout->addWidget(MainTab, 1);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    // A field of its own: passing messages (a menu's hints) do not wipe it.
    VerbStatus = new QLabel;
    VerbStatus->setObjectName(QStringLiteral("VerbStatus"));
    statusBar()->addPermanentWidget(VerbStatus);

    connect(&core_, &Application::lock_ui, this, &MainWin::lock_ui);
    connect(&core_.state, &StationState::power_shown, this, &MainWin::show_power);
    connect(&core_.state, &StationState::station_changed, this, &MainWin::show_station);
    connect(&core_.conn, &Connection::connected, this, &MainWin::connected);
    connect(&core_.conn, &Connection::disconnected, this, &MainWin::disconnected);
    connect(&core_.conn, &Connection::waiting_for, this, &MainWin::waiting_for);
    connect(&core_.conn, &Connection::focus_loco_address, this, &MainWin::focus_loco_address);

    // Started disconnected and locked; only the connection frame is usable.
    OpenPortBut[0]->setEnabled(false);
    OpenPortBut[1]->setEnabled(true);
    lock_ui(true);
    USB_Frame->setEnabled(true);
    show_station();
    show_connection_state();
}

void MainWin::build_menus()
{
    // One row per menu, item or separator; an item without a handler opens
    // a window that does not exist yet and stays disabled.
    enum Kind { Menu, Item, Separator };
    struct Entry {
        Kind kind;
        const char* name;
        const char* caption;
        void (MainWin::*handler)();
    };
    static const Entry entries[] = {
        {Menu, "DateiMenu", "Datei", nullptr},
        {Item, "EndeMenu", "Beenden", &MainWin::ende_menu},
        {Menu, "EinstellMenu", "Einstellungen", nullptr},
        {Item, "GrundeinMenu", "Grundeinstellungen", &MainWin::show_grundeinst},
        {Item, "LokEinstMenu", "Lokdatenformat einzeln", &MainWin::show_lokeinst},
        {Item, "SOMenu", "Sonderoptionen", &MainWin::show_so_window},
        {Item, "VersionMenu", "Serien- und Versionsnummer", &MainWin::show_version_window},
        {Item, "ResetMenu", "Zurücksetzen", &MainWin::show_reset},
        {Separator, "aa", nullptr, nullptr},
        {Item, "FaStrEdit", "Fahrstrassentabelle", &MainWin::show_route_editor},
        {Item, "LokListeMenu", "Lokliste", &MainWin::show_lokliste},
        {Separator, "bb", nullptr, nullptr},
        {Menu, "ToolsMenu", "Werkzeuge", nullptr},
        {Item, "DDCProgMenu", "DCC Decoder programmieren", &MainWin::show_dcc_prog},
        {Item, "LNProgMenu", "LocoNet Module Programmieren", &MainWin::show_ln_prog},
        {Item, "LncvModuleMenu", "LocoNet Module verwalten", &MainWin::show_lncv_modules},
        {Item, "LokDisp", "Lok Dispatch - FRED", &MainWin::show_dispatch},
        {Item, "MonitorMenu", "LocoNet Monitor", &MainWin::show_monitor},
        {Item, "WiThrottleMenu", "WiThrottle", &MainWin::show_withrottle},
        {Menu, "OptMenu", "Optionen", nullptr},
        {Item, "ZentraleMen", "Interface auswählen", &MainWin::show_zentrale_form},
        {Item, "ZkNamenMenu", "Namen für Kennix-Zugkategorien", &MainWin::show_zk_namen},
        {Menu, "InfoHelpMenu", "?", nullptr},
        {Item, "HelpMenu", "Hilfe", &MainWin::show_help},
        {Item, "InfoMenu", "Info", &MainWin::show_info},
    };

    QMenu* menu = nullptr;
    for (const Entry& e : entries) {
        const QString name = QString::fromUtf8(e.name);
        if (e.kind == Menu) {
            menu = menuBar()->addMenu(QString::fromUtf8(e.caption));
            menu->setObjectName(name);
            menu->menuAction()->setObjectName(name + QStringLiteral("Action"));
            continue;
        }
        QAction* action = e.kind == Separator ? menu->addSeparator()
                                              : menu->addAction(QString::fromUtf8(e.caption));
        action->setObjectName(name);
        if (e.kind == Item) {
            action->setEnabled(e.handler != nullptr);
            if (e.handler)
                connect(action, &QAction::triggered, this, e.handler);
        }
    }
    EinstellMenu = menuBar()->findChild<QMenu*>(QStringLiteral("EinstellMenu"));
    ToolsMenu = menuBar()->findChild<QMenu*>(QStringLiteral("ToolsMenu"));
}

QWidget* MainWin::build_connection()
{
    USB_Frame = new QGroupBox(kUsbFrame);
    USB_Frame->setObjectName(QStringLiteral("USB_Frame"));

    PortAdr = new PortField(core_.state.ComPortNr);
    PortAdr->setObjectName(QStringLiteral("PortAdr"));
    auto* portLabel = new QLabel(kPortNr);
    portLabel->setBuddy(PortAdr);

    const QString captions[] = {kTrennen, kVerbinden};
    for (int i = 0; i < 2; ++i) {
        OpenPortBut[i] = new QPushButton(captions[i]);
        OpenPortBut[i]->setObjectName(indexed_name("OpenPortBut", i));
    }
    connect(OpenPortBut[0], &QPushButton::clicked, this, [this] {
        core_.conn.disconnect_port(PortAdr->currentText());
        show_connection_state();
    });
    connect(OpenPortBut[1], &QPushButton::clicked, this, [this] {
        core_.conn.connect_port(PortAdr->currentText());
        show_connection_state();
    });

    Interface_Info = info_label("Interface_Info");
    Zentralen_Info = info_label("Zentralen_Info");

    auto* grid = new QGridLayout(USB_Frame);
    grid->addWidget(portLabel, 0, 0);
    grid->addWidget(PortAdr, 0, 1);
    grid->addWidget(OpenPortBut[1], 0, 2);
    grid->addWidget(OpenPortBut[0], 0, 3);
    grid->addWidget(Interface_Info, 1, 0, 1, 2);
    grid->addWidget(Zentralen_Info, 1, 2, 1, 2);
    return USB_Frame;
}

QWidget* MainWin::build_power()
{
    StopGoBut = new QPushButton(kStopGoUnknown);
    StopGoBut->setObjectName(QStringLiteral("StopGoBut"));
    QFont bold = StopGoBut->font();
    bold.setBold(true);
    StopGoBut->setFont(bold);
    StopGoBut->setMinimumWidth(StopGoBut->fontMetrics().horizontalAdvance(kStop) * 3);
    connect(StopGoBut, &QPushButton::clicked, this, &MainWin::stop_go_clicked);

    StopGoAnz = new Lamp(colour::LightGrey);
    StopGoAnz->setObjectName(QStringLiteral("StopGoAnz"));

    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(StopGoBut);
    row->addWidget(StopGoAnz);
    row->addStretch();
    return box;
}

QWidget* MainWin::build_raw_message()
{
    MesTxt = new QLineEdit;
    MesTxt->setObjectName(QStringLiteral("MesTxt"));
    MesTxt->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    LN_MES_SEND = new QPushButton(kSend);
    LN_MES_SEND->setObjectName(QStringLiteral("LN_MES_SEND"));
    connect(LN_MES_SEND, &QPushButton::clicked, this, &MainWin::send_raw_message);
    connect(MesTxt, &QLineEdit::returnPressed, this, &MainWin::send_raw_message);
    show_send_state(false);

    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(MesTxt, 1);
    row->addWidget(LN_MES_SEND);
    return box;
}

void MainWin::lock_ui(bool busy)
{
    const bool entering = busy && MainTab->isEnabled();
    if (entering) {
        QWidget* f = focusWidget();
        if (f && MainTab->isAncestorOf(f))
            lockedFocus_ = f;
    }
    for (QMenu* menu : {EinstellMenu, ToolsMenu}) {
        menu->setEnabled(!busy);
        menu->menuAction()->setEnabled(!busy);
    }
    // STOP stays: it goes out whatever runs.
    MainTab->setEnabled(!busy);
    if (entering)
        focusAfterLock_ = focusWidget();
    if (!busy) {
        if (lockedFocus_ && focusWidget() == focusAfterLock_)
            lockedFocus_->setFocus();
        lockedFocus_ = nullptr;
    }
}

void MainWin::show_power(int state)
{
    if (state == 0) {
        StopGoBut->setText(kGo);
        StopGoAnz->setColour(colour::Red);
    } else if (state == 1) {
        StopGoBut->setText(kStop);
        StopGoAnz->setColour(colour::Green);
    }
}

void MainWin::show_station()
{
    // While the station is being identified its label keeps the old text.
    if (core_.state.StationType != -1)
        Zentralen_Info->setText(station_text(core_.state.StationType));
    Interface_Info->setText(interface_text(core_.state.IfType));
}

void MainWin::keydown(int keyCode)
{
    // While a job holds the window locked, a key must not start a request
    // that would replace it.
    if (!MainTab->isEnabled())
        return;
    const int page = MainTab->currentIndex();
    if (keyCode == KeyT) {
        MainTab->setCurrentIndex((page + 1) % MainTab->count());
        return;
    }
    if (page == 0 || page == 1) {
        if (keyCode == KeyA)
            Fahrpult[page]->address_field()->setFocus(Qt::ShortcutFocusReason);
        else if (keyCode == KeyPause && core_.throttle.LokAdr[size_t(page)] > 0)
            stop_go_clicked();
        else
            core_.throttle.keydown(page, keyCode);
        return;
    }
    if (keyCode >= '0' && keyCode <= '9' && keyEntry[size_t(page)])
        keyEntry[size_t(page)](keyCode - '0');
}

void MainWin::keyPressEvent(QKeyEvent* event)
{
    // A key that a text field passed on (F2 in the address field) must not
    // drive; shortcuts with Ctrl or Alt are no driving keys, and a held key
    // acts once, so a held F-key does not flicker its function.
    const QWidget* focus = QApplication::focusWidget();
    const bool typing = focus && (focus->testAttribute(Qt::WA_InputMethodEnabled) ||
                                  qobject_cast<const QComboBox*>(focus));
    const int code = key_code(*event);
    if (code < 0 || typing || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat())
        keydown(code);
}

void MainWin::show_window(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void MainWin::closeEvent(QCloseEvent* event)
{
    core_.end_program();
    event->accept();
}

void MainWin::stop_go_clicked()
{
    // The caption follows the power message when it comes back from the
    // bus. Without a known state the button is a STOP; the engine tells
    // when nothing can go out.
    core_.power.set(StopGoBut->text() == kGo);
}

void MainWin::send_raw_message()
{
    core_.raw.send(MesTxt->text());
}

void MainWin::show_send_state(bool connected)
{
    LN_MES_SEND->setEnabled(connected);
    LN_MES_SEND->setToolTip(connected ? QString() : kSendNurVerbunden);
}

void MainWin::connected()
{
    OpenPortBut[0]->setEnabled(true);
    OpenPortBut[1]->setEnabled(false);
    show_send_state(true);
    show_connection_state();
}

void MainWin::disconnected()
{
    show_send_state(false);
    OpenPortBut[0]->setEnabled(false);
    OpenPortBut[1]->setEnabled(true);
    StopGoBut->setText(kStopGoNone);
    StopGoAnz->setColour(colour::LightGrey);
    USB_Frame->setEnabled(true);
    show_connection_state();
}

void MainWin::waiting_for(const QString& device)
{
    // "Trennen" ends the wait; "Verbinden" tries at once.
    OpenPortBut[0]->setEnabled(true);
    awaited_ = device;
    show_connection_state();
}

void MainWin::show_connection_state()
{
    const Connection& conn = core_.conn;
    VerbStatus->setText(conn.waiting()                                 ? kWarteAuf.arg(awaited_)
                        : conn.state() == Connection::State::Connected ? kVerbunden
                        : conn.busy()                                  ? kVerbinde
                                                                       : kNichtVerbunden);
}

void MainWin::focus_loco_address()
{
    const int page = MainTab->currentIndex();
    if (page != 0 && page != 1)
        return;
    // Asked for while locked, it takes effect when the lock ends.
    QLineEdit* address = Fahrpult[page]->address_field();
    if (MainTab->isEnabled())
        address->setFocus();
    else
        lockedFocus_ = address;
}

void MainWin::ende_menu()
{
    core_.end_program();
}

void MainWin::show_help()
{
    show_help_for(nullptr);
}

void MainWin::show_help_for(const QWidget* from)
{
    show_window(hilfe_);
    hilfe_->show_section(HelpWindow::section_of(from));
}

void MainWin::show_info()
{
    core_.msgs.show(kProgramminfo, program_info_text(), MsgIcon::Information);
}

void MainWin::show_version_window()
{
    show_window(version_);
}

void MainWin::show_zentrale_form()
{
    show_window(zentrale_);
}

void MainWin::show_so_window()
{
    show_window(so_);
}

void MainWin::show_grundeinst()
{
    grundeinst_->open();
}

void MainWin::show_reset()
{
    show_window(reset_);
}

void MainWin::show_lokeinst()
{
    lokeinst_->open();
}

void MainWin::show_monitor()
{
    // Made when first asked for: until then nothing watches the bus.
    if (!monitor_)
        monitor_ = new LnMonitor(core_.link, core_.msgs, this);
    show_window(monitor_);
}

void MainWin::show_withrottle()
{
    if (!withrottle_)
        withrottle_ = new WiThrottleWin(core_.withrottle, this);
    show_window(withrottle_);
}

void MainWin::show_lokliste()
{
    if (!lokliste_)
        lokliste_ = new Lokliste(core_, this);
    show_window(lokliste_);
}

void MainWin::show_dispatch()
{
    show_window(dispatchLok_);
}

void MainWin::show_zk_namen()
{
    show_window(zknamen_);
}

void MainWin::show_dcc_prog()
{
    if (!dccProg_)
        dccProg_ = new DCCProg(
            core_, [this] { show_help_for(dccProg_); }, this);
    show_window(dccProg_);
}

void MainWin::show_route_editor()
{
    show_window(faStrEdit_);
}

void MainWin::show_ln_prog()
{
    lnProg_->open();
}

void MainWin::show_lncv_modules()
{
    if (!lncvModules_)
        lncvModules_ = new LncvModuleWindow(core_.lncvModules, this);
    show_window(lncvModules_);
}
