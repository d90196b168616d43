#pragma once
// Connecting to the command station: the port set-up of the three interface
// types, then a new session of the request engine with identification, the
// switch-state poll of the first keyboard page and serial number and
// version, each job started when the one before has ended. Every wait is a
// state advanced by step() or a job's ending, never a nested event loop. A
// port that vanishes while connected (a USB adapter pulled) is watched for
// and connected again when it is back.

#include "core/services.h"

#include <QObject>
#include <memory>
#include <QString>
#include <QTimer>
#include <functional>

class Identify;
class Job;
class Port;
struct PortSettings;

// The device a port text names: a number n is the n-th serial port of the
// platform (COMn on Windows, /dev/ttyS(n-1) elsewhere); other texts are
// device names used as they stand.
QString port_device(const QString& portText);
// The port number a text stands for (a number, or a device of the form
// above); 0 when it names no numbered port.
int port_number(const QString& portText);

class Connection : public QObject {
    Q_OBJECT
  public:
    Connection(const Services& s, Port& port, Identify& identify);

    enum class State {
        Disconnected,
        SettingUp,
        Identifying,
        PollingSwitches,
        AskingVersion,
        Connected
    };

    // "Verbinden": takes the port text, sets up the port and starts the
    // sequence. Ends the wait for a vanished port, as "Trennen" does.
    void connect_port(const QString& portText);
    // "Trennen".
    void disconnect_port(const QString& portText);
    // Waiting for the port that vanished while connected to come back.
    bool waiting() const { return !awaited_.isEmpty(); }
    void stop_waiting();
    State state() const { return state_; }
    bool busy() const { return state_ != State::Disconnected && state_ != State::Connected; }

    // Advances the port set-up of interface type 1 and the wait for a
    // vanished port; each has its own timer while it runs.
    void step();

    // Starts the switch-state poll of the first keyboard page; null when
    // nothing was started.
    std::function<std::shared_ptr<Job>()> poll_switches;
    QTimer Timer1; // 100 ms input poll for interface type 2

    // Effective rate of interface type 2: the UART divisor 7 of 115200.
    static constexpr int Rate70810 = 16457;
    static constexpr double ReplyTimeout = 5.0; // set-up texts of interface type 1
    // How often a vanished port is looked for: a serial device is cheap to
    // ask for, a server over the network is asked by connecting to it.
    static constexpr double SerialPoll = 1.0;
    static constexpr double NetworkPoll = 2.0;

  signals:
    void connected();    // sequence finished: "Trennen" enabled, window unlocked
    void disconnected(); // closed (by the user, a failed set-up or a vanished port)
    // The port vanished while connected; it is waited for by this device name.
    void waiting_for(const QString& device);
    // Put the focus into the loco address field if a throttle tab is shown.
    void focus_loco_address();

  private:
    enum class Zv1 { BreakOn, BreakOff, Baud, Wait19200, Rt, LnMode, Done };
    void begin(const QString& portText);
    bool open(const PortSettings& s);
    bool setup_usb();
    bool setup_70810();
    void setup_zv1_step();
    void send_line(const QString& text);
    void start_identification();
    void identified();
    void polled();
    void fail_setup(const QString& title, const QString& text);
    void port_failed(const QString& error);
    void close_down(bool lost = false);
    void watch();
    void watch_step();
    double poll_period() const;

    Services s_;
    Port& port_;
    Identify& identify_;
    QTimer timer_; // set-up of interface type 1
    State state_ = State::Disconnected;
    Zv1 zv1_ = Zv1::Done;
    double since_ = 0;   // start of the current wait
    QByteArray reply_;   // text collected while waiting for "]"
    QByteArray pending_; // set-up text still to be written under CTS
    bool waitReply_ = false;
    QTimer watch_;           // polls for a vanished port
    QString awaited_;        // its device name; empty while nothing is awaited
    double polled_ = 0;      // time of the last poll
    bool automatic_ = false; // this connection was made by the watch
};
