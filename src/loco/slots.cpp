#include "slots.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/services.h"
#include "core/station_state.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "requests/engine.h"

namespace {
enum Step { Request = 0, AwaitSlot = 1, Command = 2, AwaitSent = 3, CfgRead = 10, AwaitCfg = 11 };
} // namespace

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
    d.on(0xA0, [this](const ln::Msg& m) { rx_speed(m); });
    d.on(0xA1, [this](const ln::Msg& m) { rx_dirf(m); });
    d.on(0xA2, [this](const ln::Msg& m) { rx_snd(m); });
    d.on(0xA3, [this](const ln::Msg& m) { rx_f9_12(m); });
    d.on(0xD4, [this](const ln::Msg& m) { rx_fn_group(m); });
    d.on(0xE7, [this](const ln::Msg& m) { rx_slot(m); });
    d.on(0xE6, [this](const ln::Msg& m) { rx_slot_ext(m); });
    d.on(0xED, [this](const ln::Msg& m) { rx_dir_toggle(m); });
    d.onPeer(0x0B, [this](const ln::Msg& m) { rx_lokcfg(m); });
    s.req.registerJobs(30, 39, [this] { return lok_request(); });
}

void Slots::reset_panels()
{
    for (int i = 0; i < 2; ++i) {
        ThrSlot[size_t(i)] = -1;
        ThrLoco[size_t(i)] = SlotRec{};
        ThrLoco[size_t(i)].Adr = -1;
    }
}

bool Slots::put_loco_request(int adr)
{
    int op;
    switch (s_.state.StationType) {
    case 1:
    case 99: op = 0xBF; break;
    case 2:
    case 3:
    case 4: op = 0xBE; break;
    default: return false; // identification still running
    }
    return s_.link.put({op, (adr / 128) & 0x7F, adr & 0x7F});
}

bool Slots::put_lokcfg_read(int adr)
{
    return s_.link.put_command(0x0D, {adr & 0xFF, (adr / 256) & 0x3F, 0, 0, 0, 0, 0});
}

bool Slots::command_unsent(int panel) const
{
    const int step = s_.req.ReqStep;
    return throttle_job(s_.req.ReqJob) && (s_.req.ReqThr & 1) == panel && step != AwaitSent;
}

void Slots::fail(const QString& text)
{
    s_.msgs.show(titles::Fehler, text, MsgIcon::Critical);
}

bool Slots::lok_request()
{
    const size_t i = size_t(s_.req.ReqThr & 1);
    const int action = s_.req.ReqJob - 30;
    SlotRec& loco = ThrLoco[i];
    const double now = s_.clock.now();
    s_.req.ThrBusy = true;
    switch (s_.req.ReqStep) {
    case Request:
        // A loco whose request went unanswered has no slot: ask again.
        if (loco.Adr == s_.req.ReqAdr && ThrSlot[i] != -1) {
            s_.req.ReqStep = Command;
            return lok_request();
        }
        if (!put_loco_request(s_.req.ReqAdr))
            return false; // held until the station type is known
        loco.Adr = s_.req.ReqAdr;
        ThrSlot[i] = -1;
        s_.req.ReqTime = now;
        s_.req.ReqStep = AwaitSlot;
        return false;
    case AwaitSlot:
        if (ThrSlot[i] != -1) {
            s_.req.ReqStep = CfgRead;
            return lok_request();
        }
        if (now - s_.req.ReqTime > AnswerTimeout) {
            fail(KeineAntwortLok);
            return true;
        }
        return false;
    case Command: {
        if (action == 0 || ThrSlot[i] == -1)
            return true;
        const int s = ThrSlot[i];
        switch (action) {
        case 5:
        case 8: s_.link.put({0xA1, s, loco.Dirf}); break;
        case 6: s_.link.put({0xD4, 0x20, s, FnGroup, FnValue}); break;
        case 7: s_.link.put({0xA2, s, loco.Snd}); break;
        case 9: s_.link.put({0xA0, s, loco.Spd}); break;
        default: return true;
        }
        s_.req.ReqStep = AwaitSent;
        return false;
    }
    case AwaitSent:
        if (!s_.link.txFree())
            return false;
        if (s_.req.ReqJob == 35) { // a direction change is always followed by speed 0
            s_.req.ReqJob = 39;
            s_.req.ReqStep = Request;
            loco.Spd = 0;
            return false;
        }
        return true;
    case CfgRead:
        put_lokcfg_read(loco.Adr);
        LokCfgAdr = loco.Adr;
        LokCfgCode = -1;
        s_.req.ReqTime = now;
        s_.req.ReqStep = AwaitCfg;
        return false;
    case AwaitCfg:
        if (now - s_.req.ReqTime > AnswerTimeout) {
            fail(KeineAntwortCfg);
            return true;
        }
        if (LokCfgCode != -1) {
            const DataFormat f = data_format(LokCfgCode);
            loco.FmtName = f.name;
            loco.Steps = f.steps;
            emit lok_show(int(i));
            s_.req.ReqStep = Command;
        }
        return false;
    default: return true;
    }
}

void Slots::refresh(int s)
{
    for (int i = 0; i < 2; ++i)
        if (ThrSlot[size_t(i)] == s) {
            ThrLoco[size_t(i)] = SlotData[size_t(s)];
            emit lok_show(i);
        }
    emit slot_changed(s);
}

// Loco slot numbers that handlers of speed and function messages may touch.
static bool loco_slot(int s)
{
    return s >= 0 && s <= 127 && s < Slots::Blank;
}

void Slots::rx_speed(const ln::Msg& m)
{
    if (!loco_slot(m[1]))
        return;
    SlotData[m[1]].Spd = m[2];
    refresh(m[1]);
}

void Slots::rx_dirf(const ln::Msg& m)
{
    if (!loco_slot(m[1]))
        return;
    SlotData[m[1]].Dirf = m[2];
    refresh(m[1]);
}

void Slots::rx_snd(const ln::Msg& m)
{
    if (!loco_slot(m[1]))
        return;
    SlotRec& r = SlotData[m[1]];
    r.Snd = m[2];
    r.Ext[7] = (r.Ext[7] & 0xF0) | r.Snd;
    refresh(m[1]);
}

void Slots::rx_f9_12(const ln::Msg& m)
{
    if (!loco_slot(m[1]))
        return;
    SlotRec& r = SlotData[m[1]];
    const int v = m[2];
    r.Ext[5] = (r.Ext[5] & 0xEF) | ((v & 0x08) * 2);
    r.Ext[7] = (r.Ext[7] & 0x0F) | ((v & 0x07) * 16);
    refresh(m[1]);
}

void Slots::rx_fn_group(const ln::Msg& m)
{
    if (m[1] != 0x20 || !loco_slot(m[2]))
        return;
    const int s = m[2], group = m[3];
    if (group >= 5 && group <= 12) {
        SlotData[size_t(s)].Ext[size_t(group)] = m[4];
        refresh(s);
    } else {
        emit slot_changed(s); // the throttle-device windows show every group's changes
    }
}

void Slots::bind_by_address(int s, bool plain)
{
    const SlotRec& r = SlotData[size_t(s)];
    if (r.Adr <= 0)
        return; // a free slot; panels without a loco hold 0 or -1 and must stay unbound
    for (int i = 0; i < 2; ++i)
        if (ThrLoco[size_t(i)].Adr == r.Adr) {
            ThrSlot[size_t(i)] = s;
            ThrLoco[size_t(i)] = r;
            emit lok_picture(i, -1, -1, -1, -1);
            emit lok_show(i);
        }
    if (ReqLoco.Adr == r.Adr)
        ReqLoco = r;
    emit slot_data(s, plain);
}

void Slots::rx_slot(const ln::Msg& m)
{
    if (m[1] != 14)
        return;
    const int s = m[2];
    if (s == 0) {
        SlotRec& r = SlotData[0];
        r.Adr = 0;
        for (int k = 0; k <= 15; ++k)
            r.Ext[size_t(k)] = m[k];
        TrkStat = m[7];
        return;
    }
    if (s < 1 || s > 119)
        return; // the programming track's slot 124 belongs to the CV transactions
    TrkStat = m[7];
    SlotRec& r = SlotData[size_t(s)];
    r.Adr = m[4] + 128 * m[9];
    r.Slot = s;
    r.Stat = m[3];
    r.Spd = m[5];
    r.Dirf = m[6];
    r.Snd = m[10];
    bind_by_address(s, true);
}

void Slots::rx_slot_ext(const ln::Msg& m)
{
    if (m[1] != 0x15 || m[2] != 0)
        return;
    const int s = m[3];
    if (!loco_slot(s))
        return;
    SlotRec& r = SlotData[size_t(s)];
    r.Adr = m[5] + 128 * m[6];
    r.Slot = s;
    r.Stat = m[4];
    r.Spd = m[8];
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
    if (!has_signature(m) || m[2] != 0x01 || m[5] != 0x15 || m[8] != 0x0F)
        return;
    const int s = m[7] + 128 * (m[6] & 1);
    if (!loco_slot(s))
        return;
    SlotData[size_t(s)].Dirf ^= 0x20;
    refresh(s);
}

void Slots::rx_lokcfg(const ln::Msg& m)
{
    const int adr = m[7] + 256 * m[8];
    const int code = m[9] & 0x1F;
    // Another device's answer for another loco is no answer to our read.
    if (adr == LokCfgAdr) {
        LokCfgCode = code;
        LokCfgExtra = m[10];
    }
    for (int s = 1; s <= 120; ++s) {
        SlotRec& r = SlotData[size_t(s)];
        if (r.Adr != adr)
            continue;
        const DataFormat f = data_format(code);
        r.FmtCode = code;
        r.FmtName = f.name;
        r.Steps = f.steps;
        for (size_t i = 0; i < 2; ++i)
            if (ThrLoco[i].Adr == adr)
                ThrLoco[i] = r;
        emit slot_changed(s); // the speed step can be shown now
        return;
    }
}
