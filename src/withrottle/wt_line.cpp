#include "wt_line.h"

#include "loco/loco_list.h"
#include "loconet/views.h"
#include "routes/route_table.h"

#include <QStringDecoder>
#include <optional>

namespace wt {
namespace {

Command bad(const char* reason)
{
    Command c;
    c.kind = Command::Bad;
    c.text = QString::fromLatin1(reason);
    return c;
}

Command of(Command::Kind kind, const QString& text = {})
{
    Command c;
    c.kind = kind;
    c.text = text;
    return c;
}

// A whole number written as 1..6 plain digits; nothing for anything else
// (signs, blanks, fractions), so no text is ever read as 0.
std::optional<int> digits(QStringView text)
{
    if (text.isEmpty() || text.size() > 6)
        return std::nullopt;
    int v = 0;
    for (const QChar ch : text) {
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
        v = v * 10 + (ch.unicode() - u'0');
    }
    return v;
}

std::optional<int> in_range(QStringView text, int low, int high)
{
    const auto v = digits(text);
    return v && *v >= low && *v <= high ? v : std::nullopt;
}

// "L1234" or "S3": the loco address, or nothing.
std::optional<int> loco_address(QStringView key)
{
    if (key.size() < 2)
        return std::nullopt;
    if (key[0] == u'L')
        return in_range(key.mid(1), 1, ln::MaxLocoAddress);
    if (key[0] == u'S')
        return in_range(key.mid(1), 1, MaxShortAddress);
    return std::nullopt;
}

// A system name of ours with its prefix, or the bare number.
std::optional<int> numbered(QStringView name, QStringView prefix, int high)
{
    return in_range(name.startsWith(prefix) ? name.mid(prefix.size()) : name, 1, high);
}

Command loco_action(Command c, QStringView act)
{
    c.kind = Command::Loco;
    const QStringView arg = act.mid(1);
    const auto function = [&](Command::Act a) {
        const auto n = arg.size() >= 2 ? in_range(arg.mid(1), 0, Functions - 1) : std::nullopt;
        if (!n || (arg[0] != u'0' && arg[0] != u'1'))
            return bad("function number outside 0..28");
        c.act = a;
        c.value = arg[0] == u'1';
        c.number = *n;
        return c;
    };
    switch (act.isEmpty() ? 0 : act[0].unicode()) {
    case 'V': {
        const auto v = arg == u"-1" ? std::optional<int>(-1) : in_range(arg, 0, 126);
        if (!v)
            return bad("speed outside 0..126 and -1");
        c.act = Command::Speed;
        c.value = *v;
        return c;
    }
    case 'R':
        if (arg != u"0" && arg != u"1")
            return bad("direction other than 0 and 1");
        c.act = Command::Direction;
        c.value = arg == u"1";
        return c;
    case 'F': return function(Command::Function);
    case 'f': return function(Command::Force);
    case 'm': return function(Command::Momentary);
    case 'X':
    case 'I':
        if (!arg.isEmpty())
            return bad("unknown loco action");
        c.act = act[0] == u'X' ? Command::EStop : Command::Idle;
        return c;
    case 'q':
        if (arg != u"V" && arg != u"R" && arg != u"s" && arg != u"m")
            return bad("unknown query");
        c.act = Command::Query;
        c.value = arg[0].unicode();
        return c;
    case 's': {
        const auto mode = digits(arg);
        if (!mode || (*mode != 1 && *mode != 2 && *mode != 4 && *mode != 8 && *mode != 16))
            return bad("unknown speed-step mode");
        c.act = Command::SpeedSteps;
        c.value = *mode;
        return c;
    }
    default: return bad("unknown loco action");
    }
}

Command multi_throttle(QStringView line)
{
    // M, the throttle, the action, the key, <;>, the rest.
    const qsizetype sep = line.indexOf(Sep);
    if (line.size() < 4 || sep < 0)
        return bad("multi-throttle command without <;>");
    Command c;
    c.throttle = line[1];
    if (!c.throttle.isLetterOrNumber())
        return bad("throttle name other than a letter or digit");
    const QChar action = line[2];
    c.key = line.mid(3, sep - 3).toString();
    const QStringView rest = line.mid(sep + Sep.size());
    const bool all = c.key == u"*";
    if (!all) {
        const auto adr = loco_address(c.key);
        if (!adr)
            return bad("loco address other than S1..S127 and L1..L16383");
        c.address = *adr;
    }
    switch (action.unicode()) {
    case '+':
    case 'S': // take a loco another throttle holds: here every loco is shared
        // The loco again, or its roster entry by name.
        if (all || (rest != c.key && !(rest.startsWith(u'E') && rest.size() > 1)))
            return bad("acquire of another loco than the key");
        c.kind = Command::Acquire;
        if (rest != c.key)
            c.text = rest.mid(1).toString();
        return c;
    case '-':
        if (rest != u"r" && rest != u"d" && !rest.isEmpty())
            return bad("release other than r and d");
        c.kind = Command::Release;
        c.value = rest == u"d" ? 'd' : 'r';
        return c;
    case 'A': return loco_action(c, rest);
    default: return bad("unknown multi-throttle action");
    }
}

Command panel(QStringView line)
{
    if (line.startsWith(u"PTA") && line.size() > 4) {
        const QChar mode = line[3];
        const auto n = numbered(line.mid(4), u"LT", Accessories);
        if (mode != u'C' && mode != u'T' && mode != u'2')
            return bad("turnout state other than C, T and 2");
        if (!n)
            return bad("accessory outside 1..2048");
        Command c = of(Command::Turnout);
        c.value = mode.unicode();
        c.number = *n;
        return c;
    }
    if (line.startsWith(u"PRA") && line.size() > 4) {
        const auto n = numbered(line.mid(4), u"FS", RouteTable::Routes);
        if (line[3] != u'2')
            return bad("route command other than 2 (set)");
        if (!n)
            return bad("route outside 1..208");
        Command c = of(Command::Route);
        c.number = *n;
        return c;
    }
    if (line == u"PPA0" || line == u"PPA1") {
        Command c = of(Command::Power);
        c.value = line[3] == u'1';
        return c;
    }
    return bad("unknown command");
}

} // namespace

Command parse(const QByteArray& raw)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString line = utf8(raw);
    Command unreadable = bad(utf8.hasError() ? "text that is not UTF-8" : "control character");
    unreadable.kind = Command::Unreadable;
    if (utf8.hasError())
        return unreadable;
    for (const QChar ch : line)
        if (ch.category() == QChar::Other_Control)
            return unreadable;
    if (line.trimmed().isEmpty())
        return {};
    switch (line[0].unicode()) {
    case 'N':
        if (line.size() == 1)
            return bad("empty name");
        return of(Command::Name, line.mid(1).trimmed());
    case 'H':
        if (!line.startsWith(u"HU") || line.size() == 2)
            return bad("unknown command");
        return of(Command::DeviceId, line.mid(2).trimmed());
    case '*':
        if (line == u"*")
            return of(Command::Heartbeat);
        if (line == u"*+")
            return of(Command::HeartbeatOn);
        if (line == u"*-")
            return of(Command::HeartbeatOff);
        return bad("unknown heartbeat command");
    case 'Q': return line == u"Q" ? of(Command::Quit) : bad("unknown command");
    case 'M': return multi_throttle(line);
    case 'P': return panel(line);
    default: return bad("unknown command");
    }
}

int loconet_speed(int speed)
{
    if (speed < 0)
        return 1;
    return speed == 0 ? 0 : std::min(speed, 126) + 1;
}

int client_speed(int spd)
{
    return spd <= 1 ? 0 : spd - 1;
}

int step_mode(int steps)
{
    switch (steps) {
    case 14:
    case 15: return 8;
    case 27: return 4;
    case 28:
    case 31: return 2;
    default: return 1;
    }
}

QString loco_name(int address)
{
    return QStringLiteral("Lok %1").arg(address);
}

QString field(QString text)
{
    for (const QString* sep : {&Sep, &Item, &Field})
        while (text.contains(*sep))
            text.remove(*sep);
    return text;
}

QString loco_key(int address)
{
    return (address <= MaxShortAddress ? QStringLiteral("S%1") : QStringLiteral("L%1"))
        .arg(address);
}

QString turnout_system_name(int number)
{
    return QStringLiteral("LT%1").arg(number);
}

QString turnout_name(int number)
{
    return QStringLiteral("Mag.Art. %1").arg(number);
}

QString route_system_name(int number)
{
    return QStringLiteral("FS%1").arg(number);
}

QString route_name(int number)
{
    return QStringLiteral("Fahrstr. %1").arg(number);
}

QString roster_line(const std::vector<LocoEntry>& locos)
{
    QString line = QStringLiteral("RL%1").arg(locos.size());
    for (const LocoEntry& e : locos) {
        const int a = e.address;
        line += Item + (e.name.isEmpty() ? loco_name(a) : field(e.name)) + Field +
                QString::number(a) + Field + (a <= MaxShortAddress ? u'S' : u'L');
    }
    return line;
}

namespace {
QString list(const char* head, const QList<ListEntry>& entries, QString (*system)(int),
             QString (*user)(int))
{
    QString line = QString::fromLatin1(head);
    for (const ListEntry& e : entries)
        line += Item + system(e.number) + Field + user(e.number) + Field + QString::number(e.state);
    return line;
}
} // namespace

QString turnout_list(const QList<ListEntry>& turnouts)
{
    return list("PTL", turnouts, turnout_system_name, turnout_name);
}

QString route_list(const QList<ListEntry>& routes)
{
    return list("PRL", routes, route_system_name, route_name);
}

QString turnout_titles()
{
    // The client labels its buttons with the state names: closed is green.
    return QStringLiteral(
        "PTT]\\[Magnetartikel}|{Mag.Art.]\\[grün}|{2]\\[rot}|{4]\\[unbekannt}|{1");
}

QString route_titles()
{
    // A requested route shows as requested until the engine has set it.
    return QStringLiteral(
        "PRT]\\[Fahrstraßen}|{Fahrstraße]\\[aktiv}|{2]\\[nicht aktiv}|{4]\\[angefordert}|{8");
}

QString function_labels(const LocoEntry& loco)
{
    static const QString kLicht = QStringLiteral("Licht"); // F0, as on the throttle panels
    QString labels;
    for (int n = 0; n < Functions; ++n) {
        const QString& own = loco.labels[size_t(n)];
        labels += Item + (!own.isEmpty() ? field(own)
                          : n == 0       ? kLicht
                                         : QStringLiteral("F%1").arg(n));
    }
    return labels;
}

} // namespace wt
