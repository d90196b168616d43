#include "application.h"

#include "core/conf.h"
#include "loconet/port.h"
#include "routes/route_file.h"

#include <QDir>

namespace {
const QString kConfFile = QStringLiteral("conf.dat");
const QString kConfNichtGeschrieben =
    QStringLiteral("conf.dat konnte nicht geschrieben werden: %1");
const QString kFsNichtGeschrieben = QStringLiteral("FS.DAT konnte nicht geschrieben werden: %1");
} // namespace

Application::Application(Clock& clk, Port& p, const DataDir& dataDir, QObject* parent)
    : QObject(parent), clock(clk), port(p), data(dataDir), dispatch(clk),
      link(clk, p, dispatch, msgs), req(link, clk, msgs),
      services{clk, msgs, state, data, link, dispatch, req}, power(req, state, dispatch),
      raw(req, link), loco(services),
      drivers(services, loco), throttle(services, loco, drivers), lokSettings(services, loco),
      lokDispatch(services, loco), options(services), keyboard(services), feedback(services),
      kennix(services), routePanel(FSTab), routeEngine(services, FSTab, routePanel), prog(services),
      lncv(services), pultrix(services, loco, drivers, lncv), identify(services, loco),
      conn(services, p, identify), locoList(data, msgs), wtLocos(drivers),
      withrottle(services, conn, power, keyboard, FSTab, routePanel, wtLocos, locoList)
{
    MainTimer.setObjectName(QStringLiteral("MainTimer"));
    MainTimer.setSingleShot(true);
    MainTimer.setTimerType(Qt::PreciseTimer); // a late wake-up delays a time-out or a step
    connect(&MainTimer, &QTimer::timeout, this, &Application::tick);
    // Every change runs through the link's service: then the next wake-up is set.
    connect(&link, &Link::serviced, this, &Application::rearm);
    // Input is dispatched as it arrives, whatever the interface type.
    connect(&port, &Port::readyRead, this, &Application::take_input);
    // Short jobs lock nothing: what is asked meanwhile waits behind them.
    const auto lock = [this] { emit lock_ui(!req.online() || req.has_long_job()); };
    connect(&req, &ReqEngine::long_job, this, lock);
    connect(&req, &ReqEngine::online_changed, this, lock);
    connect(&lokSettings, &LocoSettings::format_written, &drivers, &Drivers::forget_format);
    connect(&keyboard, &Keyboard::route_trigger_ma, &routeEngine, &RouteEngine::route_trigger_ma);
    connect(&feedback, &Feedback::route_trigger_rm, &routeEngine, &RouteEngine::route_trigger_rm);
    conn.poll_switches = [this] { return keyboard.first_page(); };
    connect(&conn, &Connection::connected, this, &Application::save_conf);
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
    locoList.load();
    kennix.reset();
    state.set_station_type(99);
    link.reset();
    loco.reset_panels();
    feedback.reset();
    emit lock_ui(true);
}

void Application::tick()
{
    take_input(); // what a port without a receive signal holds
    link.tick();
    routeEngine.route_engine();
    link.service();
}

double Application::next_due() const
{
    return earliest({link.next_due(), req.next_due(), routeEngine.next_due()});
}

void Application::rearm()
{
    if (ended_)
        return;
    wake_at(MainTimer, clock, next_due());
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
