// The WiThrottle server's locos: taking, driving and letting go of the
// locos the clients hold, and telling them what changed.

#include "loco/loco_list.h"
#include "loco/slots.h"
#include "loconet/views.h"
#include "withrottle/wt_client.h"
#include "withrottle/wt_line.h"
#include "withrottle/wt_locos.h"
#include "withrottle/wt_server.h"

#include <algorithm>

namespace {
constexpr size_t Horn = 2; // momentary unless the loco list says otherwise
} // namespace

void WiThrottleServer::acquire(Client* c, const wt::Command& cmd)
{
    int address = cmd.address;
    QString key = cmd.key;
    // Taken by its roster name: the name tells the loco.
    if (const LocoEntry* e = cmd.text.isEmpty() ? nullptr : list_.find_name(cmd.text);
        e && e->address != address) {
        address = e->address;
        key = wt::loco_key(address);
    }
    for (const auto& h : c->locos)
        if (h->throttle == cmd.throttle && h->address == address) {
            if (h->bound) // asked again: the client hears the loco's state again
                introduce(c, *h);
            return;
        }
    // A loco the connection it replaced held goes on as it is.
    const auto old = std::find_if(c->handed.begin(), c->handed.end(),
                                  [address](const auto& h) { return h->address == address; });
    if (old != c->handed.end()) {
        Held& h = **old;
        h.throttle = cmd.throttle;
        h.key = key;
        h.bound = locos_.reported(h.handle) != nullptr;
        use_entry(h);
        c->locos.push_back(std::move(*old));
        c->handed.erase(old);
        emit devices_changed();
        if (h.bound)
            introduce(c, h);
        return;
    }
    auto held = std::make_unique<Held>();
    Held& h = *held;
    h.throttle = cmd.throttle;
    h.key = key;
    h.address = address;
    h.handle = locos_.open();
    use_entry(h);
    c->locos.push_back(std::move(held));
    emit devices_changed();
    if (!locos_.acquire(h.handle, h.address)) // refused: the client has been told why
        forget(c, h, false);
}

void WiThrottleServer::use_entry(Held& h)
{
    h.entry = entry_for(h.address);
    h.momentary = h.entry.momentary;
}

LocoEntry WiThrottleServer::entry_for(int address) const
{
    if (const LocoEntry* e = list_.find(address))
        return *e;
    LocoEntry e;
    e.address = address;
    e.momentary[Horn] = true;
    return e;
}

void WiThrottleServer::list_changed()
{
    refresh_lists();
    // A loco whose entry changed gets its labels and buttons anew; the
    // others keep what their client set with "m".
    for (const auto& c : clients_)
        for (const auto& h : c->locos) {
            if (entry_for(h->address) == h->entry)
                continue;
            use_entry(*h);
            if (h->bound)
                send(c.get(), QStringLiteral("M") + h->throttle + u'L' + h->key + wt::Sep +
                                  wt::function_labels(h->entry));
        }
    emit devices_changed();
}

void WiThrottleServer::forget(Client* c, Held& h, bool stop)
{
    send(c, QStringLiteral("M") + h.throttle + u'-' + h.key + wt::Sep);
    let_go(h, stop);
    std::erase_if(c->locos, [&h](const auto& p) { return p.get() == &h; });
    emit devices_changed();
}

std::pair<WiThrottleServer::Client*, WiThrottleServer::Held*> WiThrottleServer::holder(int handle)
{
    for (const auto& c : clients_)
        for (const auto& h : c->locos)
            if (h->handle == handle)
                return {c.get(), h.get()};
    return {nullptr, nullptr};
}

void WiThrottleServer::bound(int handle)
{
    const auto [c, h] = holder(handle);
    if (!c)
        return;
    if (h->bound) { // bound again after a new connection: only what changed
        tell_state(c, *h, false);
        return;
    }
    h->bound = true;
    introduce(c, *h);
}

void WiThrottleServer::introduce(Client* c, Held& h)
{
    const QString prefix = QStringLiteral("M") + h.throttle;
    send(c, prefix + u'+' + h.key + wt::Sep);
    send(c, prefix + u'L' + h.key + wt::Sep + wt::function_labels(h.entry));
    tell_state(c, h, true);
}

void WiThrottleServer::bind_failed(int handle, const QString& why)
{
    const auto [c, h] = holder(handle);
    if (!c)
        return;
    send(c, QStringLiteral("HM") + why);
    forget(c, *h, false);
}

void WiThrottleServer::tell_state(Client* c, Held& h, bool all)
{
    const SlotRec* r = locos_.reported(h.handle);
    if (!r)
        return;
    const QString prefix = QStringLiteral("M") + h.throttle + u'A' + h.key + wt::Sep;
    for (int n = 0; n < wt::Functions; ++n) {
        const bool on = function_on(*r, n);
        if (all || on != h.functions[size_t(n)])
            send(c, prefix + QStringLiteral("F%1%2").arg(on ? 1 : 0).arg(n));
        h.functions[size_t(n)] = on;
    }
    const int speed = wt::client_speed(r->Spd);
    const int forward = r->Dirf & ln::LocoDirf::Reverse ? 0 : 1;
    const int mode = wt::step_mode(r->Steps);
    if (all || speed != h.speed)
        send(c, prefix + QStringLiteral("V%1").arg(speed));
    if (all || forward != h.forward)
        send(c, prefix + QStringLiteral("R%1").arg(forward));
    if (all || mode != h.mode)
        send(c, prefix + QStringLiteral("s%1").arg(mode));
    h.speed = speed;
    h.forward = forward;
    h.mode = mode;
}

void WiThrottleServer::loco_changed(int handle)
{
    const auto [c, h] = holder(handle);
    if (c && h->bound)
        tell_state(c, *h, false);
}

void WiThrottleServer::loco_action(Client* c, Held& h, const wt::Command& cmd)
{
    using wt::Command;
    // Until the loco is bound there is no reported state: actions wait for
    // the binding in the driver, queries are answered by the binding.
    const SlotRec* r = h.bound ? locos_.reported(h.handle) : nullptr;
    const QString prefix = QStringLiteral("M") + h.throttle + u'A' + h.key + wt::Sep;
    const size_t n = size_t(cmd.number);
    switch (cmd.act) {
    case Command::Speed: locos_.speed(h.handle, wt::loconet_speed(cmd.value)); break;
    case Command::EStop: locos_.speed(h.handle, 1); break;
    case Command::Idle: locos_.speed(h.handle, 0); break;
    case Command::Direction: {
        // Compared with what the client asked last, not with what the bus
        // has confirmed so far: two quick changes end with the second.
        const bool reverse = cmd.value == 0;
        const auto intended = locos_.intended(h.handle);
        if (!intended || reverse != bool(intended->Dirf & ln::LocoDirf::Reverse))
            locos_.direction(h.handle, reverse);
        break;
    }
    case Command::Function:
        if (h.momentary[n])
            locos_.function(h.handle, cmd.number, cmd.value == 1);
        else if (cmd.value == 1) // a latching function changes at the press
            locos_.toggle_function(h.handle, cmd.number);
        break;
    case Command::Force: locos_.function(h.handle, cmd.number, cmd.value == 1); break;
    case Command::Momentary: h.momentary[n] = cmd.value == 1; break;
    case Command::Query:
        if (cmd.value == 'm') { // how its buttons act needs no loco state
            for (size_t f = 0; f < h.momentary.size(); ++f)
                send(c, prefix + QStringLiteral("m%1%2").arg(h.momentary[f] ? 1 : 0).arg(f));
            break;
        }
        [[fallthrough]];
    case Command::SpeedSteps: // the format is the loco settings' business: it stays
        if (!r)
            break;
        if (cmd.act == Command::Query && cmd.value == 'V')
            send(c, prefix + QStringLiteral("V%1").arg(wt::client_speed(r->Spd)));
        else if (cmd.act == Command::Query && cmd.value == 'R')
            send(c, prefix + QStringLiteral("R%1").arg(r->Dirf & ln::LocoDirf::Reverse ? 0 : 1));
        else
            send(c, prefix + QStringLiteral("s%1").arg(wt::step_mode(r->Steps)));
        break;
    }
}

void WiThrottleServer::release(Client* c, const wt::Command& cmd)
{
    auto& locos = c->locos;
    for (auto it = locos.begin(); it != locos.end();) {
        Held& h = **it;
        if (h.throttle != cmd.throttle || (cmd.address != 0 && h.address != cmd.address)) {
            ++it;
            continue;
        }
        send(c, QStringLiteral("M") + h.throttle + u'-' + h.key + wt::Sep);
        let_go(h, true);
        it = locos.erase(it);
    }
    emit devices_changed();
}

void WiThrottleServer::let_go(Held& h, bool stop)
{
    // A loco another live client or a panel still holds keeps going; a
    // silent or closing client holds nothing.
    bool held = locos_.on_panel(h.address);
    for (const auto& c : clients_) {
        if (c->closing || c->lapsed)
            continue;
        for (const auto* locos : {&c->locos, &c->handed})
            for (const auto& o : *locos)
                held = held || (o.get() != &h && o->address == h.address);
    }
    locos_.close(h.handle, stop && !held);
}

void WiThrottleServer::let_go_all(std::vector<std::unique_ptr<Held>>& locos, bool stop)
{
    // Taken out first, so none of them counts as held by the others.
    auto going = std::move(locos);
    locos.clear();
    for (const auto& h : going)
        let_go(*h, stop);
}
