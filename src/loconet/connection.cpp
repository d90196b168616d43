#include "connection.h"

#include "core/core.h"
#include "port.h"

namespace {
const QString kVerbindungsfehler = QStringLiteral("Verbindungsfehler:");
const QString kFehler70810 = QStringLiteral("Fehler 70810");
const QString kNurPort12 = QStringLiteral("Nur ComPort 1 oder 2 möglich!");
const QString kZentrova1 = QStringLiteral("Zentrova 1:");
const QString kZeichenNichtMoeglich = QStringLiteral("Zeichenübertragung nicht möglich!");
const QString kUngueltigerPort = QStringLiteral("Ungültige Portangabe: \"%1\"");

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

Connection::Connection(Core& core) : core_(core)
{
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &Connection::step);
    connect(&core.port, &Port::failed, this, &Connection::port_failed);
}

bool Connection::open(const PortSettings& s)
{
    if (core_.port.open(port_device(core_.ComPortNr), s))
        return true;
    fail_setup(kVerbindungsfehler, core_.port.errorString());
    return false;
}

void Connection::connect_port(const QString& portText)
{
    if (busy())
        return;
    core_.MainTimer.stop();
    core_.ComPortNr = portText.trimmed();
    if (!valid_port_text(core_.ComPortNr)) {
        fail_setup(kVerbindungsfehler, kUngueltigerPort.arg(core_.ComPortNr));
        return;
    }
    // Whatever was in flight on an earlier connection is meaningless now.
    core_.link.reset();
    switch (core_.IfType) {
    case 1:
        if (!open(kZv1Slow))
            return;
        state_ = State::SettingUp;
        zv1_ = Zv1::BreakOn;
        core_.port.setBreak(true);
        since_ = core_.clock.now();
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
    const int n = port_number(core_.ComPortNr);
    if (n != 1 && n != 2) {
        fail_setup(kFehler70810, kNurPort12);
        return false;
    }
    if (!open(k70810))
        return false;
    core_.port.clear();
    // The interface runs at the UART divisor 7 of 115200; the serial driver
    // sets that rate directly instead of reprogramming the UART.
    PortSettings s = k70810;
    s.baud = Rate70810;
    if (!open(s))
        return false;
    core_.Timer1.start();
    return true;
}

void Connection::send_line(const QString& text)
{
    pending_ = text.toLatin1() + '\r';
    since_ = core_.clock.now();
    waitReply_ = false;
}

void Connection::setup_zv1_step()
{
    Port& port = core_.port;
    const double now = core_.clock.now();
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
            core_.Timer1.stop();
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
    core_.MainTimer.start();
    ReqEngine& req = core_.req;
    req.ReqStep = 0;
    req.ReqAdr = -1;
    core_.StationType = -1;
    req.post(100);
    state_ = State::Identifying;
    timer_.start();
}

void Connection::step()
{
    ReqEngine& req = core_.req;
    switch (state_) {
    case State::SettingUp: setup_zv1_step(); return;
    case State::Identifying:
        if (core_.StationType == -1 && req.ReqJob != 100)
            core_.StationType = 99; // the job was replaced: nothing identified
        if (core_.StationType == -1)
            return;
        emit core_.station_changed();
        core_.keyboard.KeybBase = 0;
        core_.keyboard.poll_page();
        emit focus_loco_address();
        state_ = State::PollingSwitches;
        return;
    case State::PollingSwitches:
        if (req.ReqJob == 1)
            return;
        req.post(47);
        state_ = State::AskingVersion;
        return;
    case State::AskingVersion:
        if (req.ReqJob == 47)
            return;
        timer_.stop();
        state_ = State::Connected;
        emit connected();
        emit core_.lock_ui(false);
        core_.save_conf();
        return;
    default: timer_.stop(); return;
    }
}

void Connection::fail_setup(const QString& title, const QString& text)
{
    core_.msgs.show(title, text, MsgIcon::None);
    timer_.stop();
    pending_.clear();
    waitReply_ = false;
    core_.Timer1.stop();
    core_.port.close();
    state_ = State::Disconnected;
    emit disconnected();
}

void Connection::disconnect_port(const QString& portText)
{
    core_.ComPortNr = portText.trimmed();
    close_down();
}

void Connection::close_down()
{
    core_.MainTimer.stop();
    core_.Timer1.stop();
    timer_.stop();
    pending_.clear();
    waitReply_ = false;
    core_.port.close();
    state_ = State::Disconnected;
    emit core_.lock_ui(true);
    emit disconnected();
    core_.StationType = 99;
    emit core_.station_changed();
}

void Connection::port_failed(const QString& error)
{
    if (state_ == State::Disconnected)
        return;
    core_.msgs.show(kVerbindungsfehler, error, MsgIcon::None);
    close_down();
}
