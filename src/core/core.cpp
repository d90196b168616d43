#include "core.h"

#include "loconet/port.h"
#include "requests/basic_jobs.h"

#include <QDir>

namespace {
const QString kConfFile = QStringLiteral("conf.dat");
const QString kConfNichtGeschrieben =
    QStringLiteral("conf.dat konnte nicht geschrieben werden: %1");
} // namespace

Core::Core(Clock& clk, Port& p, const QString& dataDir, QObject* parent)
    : QObject(parent), clock(clk), port(p), data(dataDir), dispatch(msgs),
      link(clk, p, dispatch, msgs, IfType), req(link),
      loco(link, req, dispatch, msgs, clk, StationType), keyboard(*this), identify(*this),
      conn(*this)
{
    MainTimer.setObjectName(QStringLiteral("MainTimer"));
    MainTimer.setInterval(10);
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(100);
    connect(&MainTimer, &QTimer::timeout, this, &Core::tick);
    connect(&Timer1, &QTimer::timeout, &link, &Link::com_input);
    // Interface type 2 is polled by Timer1; the others signal their input.
    // While the port is being set up its replies belong to the set-up.
    connect(&port, &Port::readyRead, this, [this] {
        if (IfType != 2 && conn.state() != Connection::State::SettingUp)
            link.com_input();
    });
    connect(&req, &ReqEngine::lock_ui, this, &Core::lock_ui);

    register_basic_jobs(req, link);
    dispatch.on(0x82, [this](const ln::Msg&) { show_power(0); });
    dispatch.on(0x83, [this](const ln::Msg&) { show_power(1); });
}

void Core::start()
{
    // A missing or unusable conf.dat starts with the defaults; it is written
    // at the next successful connection.
    if (const auto conf = read_conf(data.file(kConfFile))) {
        IfType = conf->IfType;
        ComPortNr = conf->ComPortNr;
    }
    StationType = 99;
    emit station_changed();
    link.reset();
    req.ReqJob = 0;
    req.ReqStep = 0;
    loco.reset_panels();
    emit lock_ui(true);
}

void Core::tick()
{
    req.req_engine();
    // the route engine takes its turn here once routes exist
    link.ln_send();
    link.ln_receive();
}

void Core::end_program()
{
    if (ended_)
        return;
    ended_ = true;
    MainTimer.stop();
    Timer1.stop();
    // savers of the route table and the category names follow here
    emit ended();
}

bool Core::save_conf()
{
    if (keepConf)
        return true;
    QDir().mkpath(data.path());
    QString error;
    if (write_conf(data.file(kConfFile), ConfValues{IfType, ComPortNr}, &error))
        return true;
    msgs.show(titles::Fehler, kConfNichtGeschrieben.arg(error));
    return false;
}

void Core::show_power(int state)
{
    if (state != 0 && state != 1)
        return;
    PowerState = state;
    emit power_shown(state);
}

void Core::set_interface(int ifType)
{
    if (ifType < 1 || ifType > 3)
        return;
    IfType = ifType;
    emit station_changed();
}
