#include "connection.h"

#include "core/clock.h"
#include "core/conf.h"
#include "core/messages.h"
#include "core/station_state.h"
#include "identify.h"
#include "loconet/lb_line.h"
#include "loconet/link.h"
#include "loconet/port.h"
#include "requests/engine.h"

namespace {
const QString kVerbindungsfehler = QStringLiteral("Verbindungsfehler:");
const QString kFehler70810 = QStringLiteral("Fehler 70810");
const QString kNurPort12 = QStringLiteral("Nur ComPort 1 oder 2 möglich!");
const QString kZentrova1 = QStringLiteral("Zentrova 1:");
const QString kZeichenNichtMoeglich = QStringLiteral("Zeichenübertragung nicht möglich!");
const QString kUngueltigerPort = QStringLiteral("Ungültige Portangabe: \"%1\"");
const QString kPortFehler = QStringLiteral("Port %1: %2");
// The one box that tells why there is no connection; a connection closes it.
const QString kPortBox = QStringLiteral("connection");

const PortSettings kUsb{115200, 8, 'n', 1, false, false};
const PortSettings k70810{19200, 8, 'n', 1, false, true};
const PortSettings kZv1Slow{2400, 8, 'n', 2, true, false};
const PortSettings kZv1{19200, 8, 'n', 2, true, false};
} // namespace

QString port_device(const QString& text)
{
    bool isNumber = false;
    const int n = text.toInt(&isNumber);
    if (!isNumber)
        return text;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

int port_number(const QString& text)
{
    bool isNumber = false;
    const int n = text.toInt(&isNumber);
    if (isNumber)
        return n;
    for (int k = 1; k <= 2; ++k)
        if (port_device(QString::number(k)).compare(text, Qt::CaseInsensitive) == 0)
            return k;
    return 0;
}

Connection::Connection(const Services& s, Port& port, Identify& identify)
    : s_(s), port_(port), identify_(identify)
{
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &Connection::step);
    connect(&port, &Port::failed, this, &Connection::port_failed);
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(100);
    connect(&Timer1, &QTimer::timeout, &s.link, &Link::com_input);
    // A poll that came early would wait a whole period more.
    watch_.setTimerType(Qt::PreciseTimer);
    connect(&watch_, &QTimer::timeout, this, &Connection::watch_step);
}

bool Connection::open(const PortSettings& s)
{
    const QString device = port_device(s_.state.ComPortNr);
    if (port_.open(device, s))
        return true;
    if (automatic_) { // there again, but not ready to open yet
        close_down();
        watch();
        return false;
    }
    fail_setup(kVerbindungsfehler, kPortFehler.arg(device, port_.errorString()));
    return false;
}

void Connection::connect_port(const QString& portText)
{
    if (busy())
        return;
    stop_waiting();
    automatic_ = false;
    begin(portText);
}

void Connection::begin(const QString& portText)
{
    s_.state.ComPortNr = portText.trimmed();
    if (!valid_port_text(s_.state.ComPortNr)) {
        fail_setup(kVerbindungsfehler, kUngueltigerPort.arg(s_.state.ComPortNr));
        return;
    }
    // A connection shared over TCP has no serial set-up and no pacing,
    // whatever interface the station behind it uses.
    const int type = lb::address(s_.state.ComPortNr) ? 3 : s_.state.IfType;
    s_.link.PortType = type;
    switch (type) {
    case 1:
        if (!open(kZv1Slow))
            return;
        state_ = State::SettingUp;
        zv1_ = Zv1::BreakOn;
        port_.setBreak(true);
        since_ = s_.clock.now();
        timer_.start();
        return;
    case 2:
        if (setup_70810())
            start_identification();
        return;
    default:
        if (setup_usb())
            start_identification();
        return;
    }
}

bool Connection::setup_usb()
{
    return open(kUsb);
}

bool Connection::setup_70810()
{
    const int n = port_number(s_.state.ComPortNr);
    if (n != 1 && n != 2) {
        fail_setup(kFehler70810, kNurPort12);
        return false;
    }
    if (!open(k70810))
        return false;
    port_.clear();
    // The interface runs at the UART divisor 7 of 115200; the serial driver
    // sets that rate directly instead of reprogramming the UART.
    PortSettings s = k70810;
    s.baud = Rate70810;
    if (!open(s))
        return false;
    Timer1.start();
    return true;
}

void Connection::send_line(const QString& text)
{
    pending_ = text.toLatin1() + '\r';
    since_ = s_.clock.now();
    waitReply_ = false;
}

void Connection::setup_zv1_step()
{
    Port& port = port_;
    const double now = s_.clock.now();
    if (!pending_.isEmpty()) { // writing a set-up text under CTS control
        while (!pending_.isEmpty() && port.cts()) {
            port.write(pending_.left(1));
            pending_.remove(0, 1);
        }
        if (!pending_.isEmpty()) {
            if (now - since_ > ReplyTimeout)
                fail_setup(kZentrova1, kZeichenNichtMoeglich);
            return;
        }
        reply_.clear();
        waitReply_ = true;
        since_ = now;
        return;
    }
    if (waitReply_) { // collecting the answer until "]"
        reply_ += port.readAll();
        if (!reply_.contains(']')) {
            if (now - since_ > ReplyTimeout)
                fail_setup(kZentrova1, kZeichenNichtMoeglich);
            return;
        }
        waitReply_ = false;
        since_ = now;
        switch (zv1_) {
        case Zv1::Baud: zv1_ = Zv1::Wait19200; break;
        case Zv1::Rt:
            send_line(QStringLiteral("x&LN$3C96"));
            zv1_ = Zv1::LnMode;
            break;
        case Zv1::LnMode:
            Timer1.stop();
            port.close();
            if (open(kZv1)) {
                zv1_ = Zv1::Done;
                start_identification();
            }
            break;
        default: break;
        }
        return;
    }
    switch (zv1_) {
    case Zv1::BreakOn:
        if (now - since_ >= 1.0) {
            port.setBreak(false);
            since_ = now;
            zv1_ = Zv1::BreakOff;
        }
        break;
    case Zv1::BreakOff:
        if (now - since_ >= 0.3) {
            send_line(QStringLiteral("xB19200"));
            zv1_ = Zv1::Baud;
        }
        break;
    case Zv1::Wait19200:
        if (now - since_ >= 0.3) {
            port.close();
            if (open(kZv1)) {
                send_line(QStringLiteral("xRT255"));
                zv1_ = Zv1::Rt;
            }
        }
        break;
    default: break;
    }
}

void Connection::start_identification()
{
    timer_.stop();
    s_.state.StationType = -1;
    state_ = State::Identifying;
    // Whatever the station said on an earlier connection counts no more.
    s_.req.begin_session();
    if (const auto job = identify_.identify_station())
        job->then([this](End) { identified(); });
}

void Connection::step()
{
    if (state_ == State::SettingUp)
        setup_zv1_step();
    else if (waiting())
        watch_step();
}

void Connection::identified()
{
    if (state_ != State::Identifying)
        return; // the connection went away meanwhile
    if (s_.state.StationType == -1)
        s_.state.StationType = 99; // nothing identified
    emit s_.state.station_changed();
    state_ = State::PollingSwitches;
    const auto poll = poll_switches ? poll_switches() : nullptr;
    emit focus_loco_address();
    if (poll)
        poll->then([this](End) { polled(); });
    else
        polled();
}

void Connection::polled()
{
    if (state_ != State::PollingSwitches)
        return;
    state_ = State::AskingVersion;
    const auto job = identify_.ask_version(ReqEngine::Caller::Follow);
    const auto done = [this](End) {
        if (state_ != State::AskingVersion)
            return;
        state_ = State::Connected;
        s_.req.set_online(true);
        s_.msgs.withdraw(kPortBox);
        emit connected();
    };
    if (job)
        job->then(done);
    else
        done(End::Done);
}

void Connection::fail_setup(const QString& title, const QString& text)
{
    s_.msgs.show(title, text, MsgIcon::None, kPortBox);
    if (state_ != State::Disconnected && state_ != State::SettingUp)
        s_.req.end_session(End::Disconnected);
    timer_.stop();
    pending_.clear();
    waitReply_ = false;
    Timer1.stop();
    port_.close();
    state_ = State::Disconnected;
    emit disconnected();
}

void Connection::disconnect_port(const QString& portText)
{
    s_.state.ComPortNr = portText.trimmed();
    close_down();
}

void Connection::close_down(bool lost)
{
    stop_waiting();
    const State was = state_;
    state_ = State::Disconnected;
    // Every job ends now; an ending may still have a word for the station
    // (leaving programming mode) while the port is open.
    if (was != State::Disconnected)
        s_.req.end_session(lost ? End::PortLost : End::Disconnected);
    Timer1.stop();
    timer_.stop();
    pending_.clear();
    waitReply_ = false;
    port_.close();
    emit disconnected();
    s_.state.set_station_type(99);
}

void Connection::port_failed(const QString& error)
{
    if (state_ == State::Disconnected)
        return;
    // Told once per loss: a try of the watch that fails too goes on quietly.
    if (!automatic_ || state_ == State::Connected)
        s_.msgs.show(kVerbindungsfehler, kPortFehler.arg(port_device(s_.state.ComPortNr), error),
                     MsgIcon::None, kPortBox);
    close_down(true);
    watch();
}

double Connection::poll_period() const
{
    return lb::address(s_.state.ComPortNr) ? NetworkPoll : SerialPoll;
}

void Connection::watch()
{
    awaited_ = port_device(s_.state.ComPortNr);
    polled_ = s_.clock.now();
    watch_.start(int(poll_period() * 1000));
    emit waiting_for(awaited_);
}

void Connection::stop_waiting()
{
    watch_.stop();
    awaited_.clear();
}

void Connection::watch_step()
{
    const double now = s_.clock.now();
    if (!waiting() || now - polled_ < poll_period() - 0.01)
        return;
    polled_ = now;
    watch_.start(); // the next poll a whole period after this one, however late it came
    if (!port_.present(awaited_))
        return;
    stop_waiting();
    automatic_ = true;
    begin(s_.state.ComPortNr);
}
