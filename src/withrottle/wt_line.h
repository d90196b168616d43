#pragma once
// The WiThrottle text protocol (version 2.0), as phone and tablet throttle
// apps speak it: one command per line, lines ending with LF, CR or both.
// parse() reads a client's line into a Command without acting on it, so
// whatever a client sends is checked in one place before anything reaches
// the bus. The formatters build the server's lines.

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

struct LocoEntry;

namespace wt {

constexpr quint16 DefaultPort = 12090;
// Longest line a client may send; clients send a few dozen characters.
constexpr int MaxLine = 1024;
// Seconds a client with heartbeat monitoring may stay silent, as told in "*N".
constexpr int HeartbeatInterval = 10;
constexpr int Functions = 29; // F0..F28
constexpr int MaxShortAddress = 127;
constexpr int Accessories = 2048;

// The separator inside multi-throttle commands and the list separators.
inline const QString Sep = QStringLiteral("<;>");
inline const QString Item = QStringLiteral("]\\[");
inline const QString Field = QStringLiteral("}|{");

// States of a turnout or route in the lists and updates.
enum State { Unknown = 1, Closed = 2, Thrown = 4, Active = 2, Inactive = 4, Inconsistent = 8 };

struct Command {
    enum Kind {
        Empty,
        Name,         // "N<name>"
        DeviceId,     // "HU<id>"
        Heartbeat,    // "*"
        HeartbeatOn,  // "*+"
        HeartbeatOff, // "*-"
        Quit,         // "Q"
        Acquire,      // "M<t>+<key><;><key or E name>": text is the name
        Release,      // "M<t>-<key><;>r|d"
        Loco,         // "M<t>A<key><;><action>"
        Turnout,      // "PTA<C|T|2><name>"
        Route,        // "PRA2<name>"
        Power,        // "PPA<0|1>"
        Unreadable,   // not UTF-8, or control characters: text says why
        Bad,          // anything else: text says why
    };
    enum Act {
        Speed,      // value -1 (emergency stop) .. 126
        Direction,  // value 1 forward, 0 reverse
        Function,   // button of function `number` pressed (value 1) or released (0)
        Force,      // function `number` set to value, whatever it was
        Momentary,  // function `number` is momentary (value 1) or latching (0)
        EStop,      // "X"
        Idle,       // "I": speed 0
        Query,      // value 'V', 'R', 's' or 'm'
        SpeedSteps, // the client sets a speed-step mode (value)
    };

    Kind kind = Empty;
    QString text;    // Name, DeviceId, Acquire by name; Unreadable, Bad: the reason
    QChar throttle;  // multi-throttle commands
    QString key;     // "L1234", "S3", or "*" for every loco of the throttle
    int address = 0; // loco address of the key; 0 for "*"
    Act act = Speed; // Loco
    int value = 0;   // see Act; Release 'r' or 'd'; Turnout 'C', 'T' or '2'; Power 0 or 1
    int number = 0;  // function 0..28, accessory 1..2048, route
};

// Reads one line without its line end. Text that is not UTF-8 is Bad.
Command parse(const QByteArray& line);

// Speed of the client (0..126, -1 emergency stop) as LocoNet speed: as the
// panels' speed bar does, 1..126 become 2..127, so 1 stays the emergency stop.
int loconet_speed(int speed);
// A LocoNet speed as the client shows it; the emergency stop shows 0.
int client_speed(int spd);
// Speed-step mode of the client (1 = 128, 2 = 28, 4 = 27, 8 = 14) for the
// speed steps of a loco's data format; the nearest mode for 15 and 31
// steps, 128 when the format is unknown.
int step_mode(int steps);

// Names in the lists: the loco, the accessory and the route as the client
// shows them, and the system names by which it sends them back.
QString loco_name(int address);
// A text as a field of a list: without the separators that would split it.
QString field(QString text);
QString loco_key(int address); // "S3" or "L1234", short addresses below 128
QString turnout_system_name(int number);
QString turnout_name(int number);
QString route_system_name(int number);
QString route_name(int number);

struct ListEntry {
    int number;
    int state;
};
// "RL<n>]\[name}|{address}|{L|S]\[...": the roster, from the loco list.
QString roster_line(const std::vector<LocoEntry>& locos);
// "PTL]\[sysname}|{username}|{state]\[..." and "PRL...": turnouts and routes.
QString turnout_list(const QList<ListEntry>& turnouts);
QString route_list(const QList<ListEntry>& routes);
// The column titles of the two lists and the names of their states.
QString turnout_titles();
QString route_titles();
// The function labels of a loco: "]\[Licht]\[F1]\[..." where its entry
// has none.
QString function_labels(const LocoEntry& loco);

} // namespace wt
