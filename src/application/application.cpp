#include "application.h"

#include "core/conf.h"
#include "loconet/port.h"
#include "requests/basic_jobs.h"
#include "routes/route_file.h"

#include <QDir>

namespace {
const QString kConfFile = QStringLiteral("conf.dat");
const QString kConfNichtGeschrieben =
    QStringLiteral("conf.dat konnte nicht geschrieben werden: %1");
const QString kFsNichtGeschrieben = QStringLiteral("FS.DAT konnte nicht geschrieben werden: %1");
} // namespace

Application::Application(Clock& clk, Port& p, const DataDir& dataDir, QObject* parent)
    : QObject(parent), clock(clk), port(p), data(dataDir), dispatch(clk, msgs),
      link(clk, p, dispatch, msgs),
      req(link, msgs), services{clk, msgs, state, data, link, dispatch, req}, loco(services),
      drivers(services, loco), throttle(services, loco, drivers), lokSettings(services, loco),
      lokDispatch(services, loco), options(services), keyboard(services), feedback(services),
      kennix(services), routePanel(FSTab), routeEngine(services, FSTab, routePanel), prog(services),
      lncv(services), pultrix(services, loco, lncv), identify(services, loco),
      conn(services, p, MainTimer), wtLocos(loco, drivers),
      withrottle(services, conn, keyboard, FSTab, routePanel, wtLocos)
{
    MainTimer.setObjectName(QStringLiteral("MainTimer"));
    MainTimer.setInterval(10);
    MainTimer.setTimerType(Qt::PreciseTimer); // each late tick delays the next request
    connect(&MainTimer, &QTimer::timeout, this, &Application::tick);
    // Input is dispatched as it arrives, whatever the interface type.
    connect(&port, &Port::readyRead, this, &Application::take_input);
    // A throttle request locks nothing: the panels keep driving while it runs
    // (their actions wait in its queue); other windows' actions are refused
    // by the engine while it binds a loco.
    connect(&req, &ReqEngine::lock_ui, this, [this](bool busy) {
        if (!busy || !Slots::throttle_job(req.ReqJob))
            emit lock_ui(busy);
    });
    connect(&keyboard, &Keyboard::route_trigger_ma, &routeEngine, &RouteEngine::route_trigger_ma);
    connect(&feedback, &Feedback::route_trigger_rm, &routeEngine, &RouteEngine::route_trigger_rm);
    conn.poll_switches = [this] { keyboard.first_page(); };
    connect(&conn, &Connection::connected, this, [this] {
        emit lock_ui(false);
        save_conf();
    });
    connect(&conn, &Connection::disconnected, this, [this] {
        keyboard.cancel_pulses();
        emit lock_ui(true);
    });
    // The station may be restarted meanwhile and give the locos other slots:
    // what it reported of them is known again only once it answers anew.
    connect(&conn, &Connection::waiting_for, this, [this] {
        for (int s = 1; s <= 127; ++s)
            loco.SlotData[size_t(s)] = SlotRec{};
    });
    // One loco request after the other: the drivers serve their bindings in turn.
    connect(&conn, &Connection::reconnected, &drivers, &Drivers::rebind_all);

    register_basic_jobs(req, link);
    dispatch.on(0x82, [this](const ln::Msg&) { state.show_power(0); });
    dispatch.on(0x83, [this](const ln::Msg&) { state.show_power(1); });
}

void Application::start()
{
    // A missing or unusable conf.dat starts with the defaults; it is written
    // at the next successful connection.
    if (const auto conf = read_conf(data.file(kConfFile))) {
        state.IfType = conf->IfType;
        state.ComPortNr = conf->ComPortNr;
    }
    fsAtStart_.read = route_file::load_fs(FSTab, data.file(route_file::Name));
    fsAtStart_.content = route_file::format_fs(FSTab);
    routeEngine.reset();
    kennix.load_zk();
    kennix.reset();
    state.set_station_type(99);
    link.reset();
    req.ReqJob = 0;
    req.ReqStep = 0;
    loco.reset_panels();
    feedback.reset();
    emit lock_ui(true);
}

void Application::tick()
{
    req.req_engine();
    // A job the connect sequence waited for ended just now: its next job
    // runs at the next tick.
    conn.advance();
    keyboard.pulse_step();
    drivers.pump();
    routeEngine.route_engine();
    link.ln_send();
    take_input(); // what a port without a receive signal holds
}

void Application::take_input()
{
    // While the port is being set up its replies belong to the set-up.
    if (conn.state() != Connection::State::SettingUp)
        link.com_input();
}

void Application::end_program()
{
    if (ended_)
        return;
    ended_ = true;
    MainTimer.stop();
    conn.Timer1.stop();
    conn.stop_waiting();
    // Released now, not at process exit, so its lock is gone even if the
    // savers below take a while.
    port.close();
    save_fs();
    kennix.save_zk();
    emit ended();
}

bool Application::save_conf()
{
    if (keepConf)
        return true;
    QDir().mkpath(data.path());
    QString error;
    if (write_conf(data.file(kConfFile), ConfValues{state.IfType, state.ComPortNr}, &error))
        return true;
    msgs.show(titles::Fehler, kConfNichtGeschrieben.arg(error));
    return false;
}

bool Application::save_fs()
{
    return save_data_file(data, route_file::Name, route_file::format_fs(FSTab), fsAtStart_, msgs,
                          kFsNichtGeschrieben);
}
