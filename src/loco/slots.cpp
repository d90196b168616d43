#include "slots.h"

#include "core/services.h"
#include "core/station_state.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "requests/engine.h"
#include "loconet/views.h"

DataFormat data_format(int code)
{
    switch (code) {
    case 0: return {QStringLiteral("Motorola alt"), 14};
    case 1: return {QStringLiteral("Motorola neu"), 14};
    case 16: return {QStringLiteral("DCC - 14"), 14};
    case 17: return {QStringLiteral("DCC - 27"), 27};
    case 18: return {QStringLiteral("DCC - 28"), 28};
    case 19: return {QStringLiteral("DCC - 128"), 128};
    case 8: return {QStringLiteral("Selectrix"), 31};
    case 24: return {QStringLiteral("FMZ"), 15};
    default: return {QStringLiteral(" - "), 0};
    }
}

Slots::Slots(const Services& s) : s_(s)
{
    Dispatch& d = s.dispatch;
    using namespace ln;
    d.on(op::LocoSpd, [this](const Msg& m) { rx_speed(m); });
    d.on(op::LocoDirf, [this](const Msg& m) { rx_dirf(m); });
    d.on(op::LocoSnd, [this](const Msg& m) { rx_snd(m); });
    d.on(op::LocoF9F12, [this](const Msg& m) { rx_f9_12(m); });
    d.on(op::FnGroup, [this](const Msg& m) { rx_fn_group(m); });
    d.on(op::SlRdData, [this](const Msg& m) { rx_slot(m); });
    d.on(op::SlRdDataExt, [this](const Msg& m) { rx_slot_ext(m); });
    d.on(op::ImmPacket, [this](const Msg& m) { rx_dir_toggle(m); });
    d.onPeer(cmd::Format, [this](const Msg& m) { rx_lokcfg(m); });
    connect(&s.req, &ReqEngine::session_started, this, &Slots::clear);
}

void Slots::clear()
{
    for (int s = 0; s < Blank; ++s)
        SlotData[size_t(s)] = SlotRec{};
    TrkStat = 0;
}

FnPlace fn_place(int n)
{
    if (n == 0)
        return {FnPlace::Dirf, 0, 0x10};
    if (n <= 4)
        return {FnPlace::Dirf, 0, 1 << (n - 1)};
    if (n <= 8)
        return {FnPlace::Snd, 7, 1 << (n - 5)};
    if (n <= 11)
        return {FnPlace::Group, 7, 0x10 << (n - 9)};
    if (n == 12 || n == 20 || n == 28)
        return {FnPlace::Group, 5, 0x10 << ((n - 12) / 8)};
    if (n <= 19)
        return {FnPlace::Group, 8, 1 << (n - 13)};
    return {FnPlace::Group, 9, 1 << (n - 21)};
}

bool function_on(const SlotRec& r, int n)
{
    const FnPlace p = fn_place(n);
    const int byte = p.field == FnPlace::Dirf  ? r.Dirf
                     : p.field == FnPlace::Snd ? r.Snd
                                               : r.Ext[size_t(p.group)];
    return byte & p.mask;
}

void Slots::reset_panels()
{
    for (int i = 0; i < 2; ++i) {
        ThrSlot[size_t(i)] = -1;
        ThrLoco[size_t(i)] = SlotRec{};
        ThrLoco[size_t(i)].Adr = -1;
    }
}

QByteArray loco_request_message(int stationType, int adr)
{
    switch (stationType) {
    case 1:
    case 99: return ln::LocoRequest::make(adr, ln::op::LocoAdr);
    case 2:
    case 3:
    case 4: return ln::LocoRequest::make(adr, ln::op::LocoAdrAlt);
    default: return {};
    }
}

QByteArray lokcfg_read_message(int adr)
{
    return ln::PeerMessage::stationCommand(ln::cmd::ReadFormat, {adr & 0xFF, (adr / 256) & 0x3F});
}

QByteArray Slots::loco_request(int adr) const
{
    return loco_request_message(s_.state.StationType, adr);
}

// Loco slot numbers that handlers of speed and function messages may touch.
static bool loco_slot(int s)
{
    return s >= 0 && s <= 127 && s < Slots::Blank;
}

void Slots::rx_speed(const ln::Msg& m)
{
    const ln::LocoSpeed v(m);
    if (!loco_slot(v.slot()))
        return;
    SlotData[size_t(v.slot())].Spd = v.speed();
    emit slot_changed(v.slot());
}

void Slots::rx_dirf(const ln::Msg& m)
{
    const ln::LocoDirf v(m);
    if (!loco_slot(v.slot()))
        return;
    SlotData[size_t(v.slot())].Dirf = v.dirf();
    emit slot_changed(v.slot());
}

void Slots::rx_snd(const ln::Msg& m)
{
    const ln::LocoSound v(m);
    if (!loco_slot(v.slot()))
        return;
    SlotRec& r = SlotData[size_t(v.slot())];
    r.Snd = v.snd();
    r.Ext[7] = (r.Ext[7] & 0xF0) | r.Snd;
    emit slot_changed(v.slot());
}

void Slots::rx_f9_12(const ln::Msg& m)
{
    const ln::LocoF9F12 v(m);
    if (!loco_slot(v.slot()))
        return;
    SlotRec& r = SlotData[size_t(v.slot())];
    // F12 lives in group 5, F9..F11 in group 7, as the function groups have them.
    r.Ext[5] = (r.Ext[5] & 0xEF) | ((v.bits() & 0x08) * 2);
    r.Ext[7] = (r.Ext[7] & 0x0F) | ((v.bits() & 0x07) * 16);
    emit slot_changed(v.slot());
}

void Slots::rx_fn_group(const ln::Msg& m)
{
    const ln::FunctionGroup v(m);
    if (!ln::FunctionGroup::is(m) || !loco_slot(v.slot()))
        return;
    if (v.group() >= 5 && v.group() <= 12)
        SlotData[size_t(v.slot())].Ext[size_t(v.group())] = v.value();
    // The throttle-device windows show every group's message, stored or not.
    emit slot_changed(v.slot());
}

void Slots::bind_by_address(int s, bool plain)
{
    const SlotRec& r = SlotData[size_t(s)];
    if (r.Adr <= 0)
        return; // a free slot; throttles without a loco hold 0 or -1 and must stay unbound
    emit slot_data(s, plain);
}

void Slots::rx_slot(const ln::Msg& m)
{
    if (!ln::SlotData::is(m) || m.op() != ln::op::SlRdData)
        return;
    const ln::SlotData v(m);
    const int s = v.slot();
    if (s == 0) { // the station's own data: its bytes as they came identify it
        SlotRec& r = SlotData[0];
        r.Adr = 0;
        for (int k = 0; k <= 15; ++k)
            r.Ext[size_t(k)] = m[k];
        TrkStat = v.track();
        return;
    }
    if (s < 1 || s > 119)
        return; // the programming track's slot 124 belongs to the CV transactions
    TrkStat = v.track();
    SlotRec& r = SlotData[size_t(s)];
    r.Adr = v.address();
    r.Slot = s;
    r.Stat = v.status();
    r.Spd = v.speed();
    r.Dirf = v.dirf();
    r.Snd = v.snd();
    bind_by_address(s, true);
}

void Slots::rx_slot_ext(const ln::Msg& m)
{
    if (!ln::SlotDataExt::is(m) || m.op() != ln::op::SlRdDataExt)
        return;
    const ln::SlotDataExt v(m);
    const int s = v.slot();
    if (!loco_slot(s))
        return;
    SlotRec& r = SlotData[size_t(s)];
    r.Adr = v.address();
    r.Slot = s;
    r.Stat = v.status();
    r.Spd = v.speed();
    // The function bytes are kept as they came, by group.
    r.Ext[5] = m[9];
    r.Ext[6] = m[10];
    r.Dirf = m[10];
    r.Ext[7] = m[11];
    r.Snd = m[11] & 0x0F;
    r.Ext[8] = m[12];
    r.Ext[9] = m[13];
    r.Ext[10] = m[14] + ((r.Ext[6] & 0x40) ? 128 : 0);
    r.Ext[11] = m[15];
    bind_by_address(s, false);
}

void Slots::rx_dir_toggle(const ln::Msg& m)
{
    if (!ln::PeerMessage::is(m))
        return;
    const ln::PeerMessage v(m);
    if (!v.station() || m[2] != 0x01 || v.command() != ln::cmd::DirToggle || m[8] != 0x0F)
        return;
    const int s = v.data(0);
    if (!loco_slot(s))
        return;
    SlotData[size_t(s)].Dirf ^= 0x20;
    emit slot_changed(s);
}

void Slots::rx_lokcfg(const ln::Msg& m)
{
    const ln::PeerMessage v(m);
    const int adr = v.word(0);
    const int code = v.data(2) & 0x1F;
    emit format_answer(adr, code);
    for (int s = 1; s <= 120; ++s) {
        SlotRec& r = SlotData[size_t(s)];
        if (r.Adr != adr)
            continue;
        const DataFormat f = data_format(code);
        r.FmtCode = code;
        r.FmtName = f.name;
        r.Steps = f.steps;
        emit slot_changed(s); // the speed step can be shown now
        return;
    }
}
