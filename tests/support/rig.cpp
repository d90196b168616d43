#include "rig.h"

#include "scripted_station.h"

Rig::Rig(int ifType)
{
    core = std::make_unique<Application>(clock, port, dir.path());
    QObject::connect(&core->msgs, &MessageService::shown,
                     [this](const QString& t, const QString& x, MsgIcon i) {
                         shown.append({t, x, i});
                     });
    core->start();
    core->state.IfType = ifType;
    core->link.PortType = ifType;
    port.open(QStringLiteral("mem"), {});
    bus.open(QStringLiteral("bus"), {});
}

QStringList Rig::texts() const
{
    QStringList l;
    for (const Shown& s : shown)
        l << s.text;
    return l;
}

QString Rig::takeWire()
{
    const QByteArray w = port.written().mid(taken_);
    taken_ = port.written().size();
    return ln::hex(w);
}

void Rig::forgetWire()
{
    port.clearWritten();
    echoed_ = taken_ = 0;
}

void Rig::send(std::initializer_list<int> bytes)
{
    sendRaw(ln::frame(bytes));
}

void Rig::sendRaw(const QByteArray& bytes)
{
    bus.write(bytes); // dispatched on arrival
}

void Rig::echo()
{
    const QByteArray w = port.written().mid(echoed_);
    echoed_ = port.written().size();
    if (!w.isEmpty())
        sendRaw(w);
}

void Rig::tick(int n)
{
    for (int i = 0; i < n; ++i)
        core->tick();
}

void Rig::run(double seconds)
{
    for (double t = 0; t < seconds - 1e-9; t += 0.01) {
        clock.advance(0.01);
        core->conn.step(); // the set-up timer of interface type 1
        // Only as the program's own timer would: armed, and its time come.
        const double due = core->next_due();
        if (core->MainTimer.isActive() && due >= 0 && clock.now() >= due)
            core->tick();
        if (station)
            station();
    }
}

QString Rig::connect(int stationType)
{
    // Slot 0 by station type; any other type answers what no station does.
    static const char* const slot0[] = {"E7 0E 00 00 00 01 00 07 00 00 00 00 00",
                                        "E7 0E 00 00 00 02 00 07 00 00 00 5A 56",
                                        "E7 0E 00 00 00 03 00 07 00 00 00 5A 56",
                                        "E7 0E 00 02 42 03 00 07 00 00 15 5A 56"};
    const int type = stationType >= 1 && stationType <= 3 ? stationType : 0;
    ScriptedStation st(bus);
    st.switchState = 0x50;
    st.answer("BB 00 00", ln::frame(QByteArray::fromHex(slot0[type])));
    st.answer("ED 0F 01 5A 56 07 00 00 00 00 00 00 00 00", peer_message(0x09, {0x12, 0x34}));
    st.answer("ED 0F 01 5A 56 06 00 00 00 00 00 00 00 00", peer_message(0x08, {0x20}));
    core->conn.connect_port(QStringLiteral("1"));
    for (int i = 0; i < 100 && !core->req.online(); ++i)
        st.poll();
    echoed_ = port.written().size();
    return takeWire();
}

QString wire_hex(const QString& messages)
{
    QByteArray all;
    for (const QString& m : messages.split(u'|', Qt::SkipEmptyParts))
        all += ln::frame(QByteArray::fromHex(m.toLatin1()));
    return ln::hex(all);
}

QByteArray peer_message(int cmd, std::array<int, 7> args)
{
    uint8_t m[15] = {0xE5, 0x0F, 0x01, 0x5A, 0x56, uint8_t(cmd)};
    for (int k = 0; k < 7; ++k)
        m[7 + k] = uint8_t(args[size_t(k)]);
    ln::packHibits(m);
    return ln::frame(QByteArray(reinterpret_cast<const char*>(m), 14));
}
