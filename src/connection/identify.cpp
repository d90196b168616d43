#include "identify.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/station_state.h"
#include "loco/slots.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "requests/engine.h"

namespace {
const QString kKeineAntwortSlot0 = QStringLiteral("Keine Antwort auf Slot 0 Anfrage erhalten!");
const QString kKeineAntwortSerie = QStringLiteral("Keine Antwort Anfrage Seriennummer erhalten!");

struct Pattern {
    int type;
    const char* bytes;
};
// Slot-0 answers by station type; a later match wins.
const Pattern kPatterns[] = {
    {1, "E7 0E 00 00 00 02 00 07 00 00 00 5A 56"},
    {2, "E7 0E 00 00 00 03 00 07 00 00 00 5A 56"},
    {3, "E7 0E 00 02 42 03 00 07 00 00 15 5A 56"},
};

int hi(int b)
{
    return (b >> 4) & 0x0F;
}
int lo(int b)
{
    return b & 0x0F;
}
} // namespace

QString station_text(int type)
{
    switch (type) {
    case -1: return {}; // identification running: the label stays as it is
    case 1: return QStringLiteral("ZV/PX Sw.Vers.1.55");
    case 2: return QStringLiteral("ZV/PX Sw.Vers.2.0");
    case 3: return QStringLiteral("ZV-Basic");
    default: return QStringLiteral("unbekannt");
    }
}

QString interface_text(int ifType)
{
    switch (ifType) {
    case 1: return QStringLiteral("ComPort->ZV");
    case 2: return QStringLiteral("ComPort->70810");
    default: return QStringLiteral("USB->ZV/70820");
    }
}

QString version_text(double v)
{
    return QString::number(v, 'f', 3);
}

Identify::Identify(const Services& s, Slots& slotTable) : s_(s), slots_(slotTable)
{
    s.req.registerJob(100, [this] { return identify_job(); });
    s.req.registerJob(47, [this] { return version_job(); });
    s.dispatch.onPeer(0x09, [this](const ln::Msg& m) { rx_serial(m); });
    s.dispatch.onPeer(0x08, [this](const ln::Msg& m) { rx_version(m); });
}

bool Identify::slot_match(const QString& pattern) const
{
    const QStringList tokens = pattern.split(u' ', Qt::SkipEmptyParts);
    const SlotRec& s0 = slots_.SlotData[0];
    for (int i = 0; i < tokens.size() && i < int(s0.Ext.size()); ++i)
        if (i != 7 && tokens[i].toInt(nullptr, 16) != s0.Ext[size_t(i)])
            return false;
    return true;
}

bool Identify::identify_job()
{
    ReqEngine& req = s_.req;
    const double now = s_.clock.now();
    if (req.ReqStep == 0) {
        s_.link.put({0xBB, 0x00, 0x00});
        req.ReqStep = 1;
        req.ReqTime = now;
        s_.dispatch.LackCode = -1;
        slots_.await_slot0();
        return false;
    }
    if (now - req.ReqTime > Slot0Timeout) {
        s_.msgs.show(titles::Fehler, kKeineAntwortSlot0, MsgIcon::Critical);
        s_.state.StationType = 99;
        return true;
    }
    if (!slots_.slot0_arrived())
        return false;
    s_.state.show_power(slots_.SlotData[0].Ext[7] & 1);
    int type = 99;
    for (const Pattern& p : kPatterns)
        if (slot_match(QString::fromLatin1(p.bytes)))
            type = p.type;
    s_.state.StationType = type;
    return true;
}

bool Identify::version_job()
{
    ReqEngine& req = s_.req;
    const double now = s_.clock.now();
    switch (req.ReqStep) {
    case 0:
        s_.link.put_command(7, {});
        req.ReqStep = 1;
        req.ReqTime = now;
        StationSerial = -1;
        return false;
    case 1:
    case 2:
        if (now - req.ReqTime > AnswerTimeout) {
            s_.msgs.show(titles::Fehler, kKeineAntwortSerie, MsgIcon::Critical);
            return true;
        }
        if (req.ReqStep == 1 && StationSerial != -1) {
            s_.link.put_command(6, {});
            req.ReqStep = 2;
            req.ReqTime = now;
            StationVersion = -1;
        } else if (req.ReqStep == 2 && StationVersion != -1) {
            emit version_shown(QString::number(qint64(StationSerial)),
                               version_text(StationVersion));
            return true;
        }
        return false;
    default: return true;
    }
}

void Identify::rx_serial(const ln::Msg& m)
{
    if (!has_signature(m))
        return;
    double v = 0;
    for (int k = 7; k <= 11; ++k)
        v = v * 100 + hi(m[k]) * 10 + lo(m[k]);
    StationSerial = v;
}

void Identify::rx_version(const ln::Msg& m)
{
    if (!has_signature(m))
        return;
    StationVersion = hi(m[8]) + lo(m[8]) / 10.0 + hi(m[7]) / 100.0 + lo(m[7]) / 1000.0;
}
