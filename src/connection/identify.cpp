#include "identify.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/station_state.h"
#include "loco/slots.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "loconet/views.h"

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

class Identify::IdentifyJob : public Job {
  public:
    explicit IdentifyJob(Identify& owner) : Job(JobKind::Identify), o_(owner) {}

  protected:
    bool step() override
    {
        if (Step == 0) {
            send(ln::SlotRequest::make(0));
            Step = 1;
            wait(Slot0Timeout);
            o_.slots_.await_slot0();
            return false;
        }
        if (o_.slots_.slot0_arrived()) {
            o_.identified();
            return true;
        }
        if (!expired())
            return false;
        o_.s_.msgs.show(titles::Fehler, kKeineAntwortSlot0, MsgIcon::Critical);
        o_.s_.state.StationType = 99;
        return finish(End::TimedOut);
    }

  private:
    Identify& o_;
};

class Identify::VersionJob : public Job {
  public:
    explicit VersionJob(Identify& owner) : Job(JobKind::Version), o_(owner) {}

  protected:
    bool step() override
    {
        switch (Step) {
        case 0: ask(ln::cmd::ReadSerial, 1, o_.StationSerial); return false;
        case 1:
            if (o_.StationSerial != -1) {
                ask(ln::cmd::ReadVersion, 2, o_.StationVersion);
                return false;
            }
            break;
        default:
            if (o_.StationVersion != -1) {
                emit o_.version_shown(QString::number(qint64(o_.StationSerial)),
                                      version_text(o_.StationVersion));
                return true;
            }
            break;
        }
        if (!expired())
            return false;
        o_.s_.msgs.show(titles::Fehler, kKeineAntwortSerie, MsgIcon::Critical);
        return finish(End::TimedOut);
    }

  private:
    void ask(int command, int next, double& answer)
    {
        answer = -1;
        send(ln::PeerMessage::stationCommand(command));
        Step = next;
        wait(AnswerTimeout);
    }
    Identify& o_;
};

Identify::Identify(const Services& s, Slots& slotTable) : s_(s), slots_(slotTable)
{
    s.req.declare(JobKind::Identify);
    s.req.declare(JobKind::Version);
    s.dispatch.onPeer(ln::cmd::Serial, [this](const ln::Msg& m) { rx_serial(m); });
    s.dispatch.onPeer(ln::cmd::Version, [this](const ln::Msg& m) { rx_version(m); });
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

std::shared_ptr<Job> Identify::identify_station()
{
    auto job = std::make_shared<IdentifyJob>(*this);
    return s_.req.submit(job, ReqEngine::Caller::Follow) ? job : nullptr;
}

std::shared_ptr<Job> Identify::ask_version(ReqEngine::Caller caller)
{
    auto job = std::make_shared<VersionJob>(*this);
    return s_.req.submit(job, caller) ? job : nullptr;
}

void Identify::identified()
{
    s_.state.show_power(slots_.SlotData[0].Ext[7] & 1);
    int type = 99;
    for (const Pattern& p : kPatterns)
        if (slot_match(QString::fromLatin1(p.bytes)))
            type = p.type;
    s_.state.StationType = type;
}

void Identify::rx_serial(const ln::Msg& m)
{
    const ln::PeerMessage p(m);
    if (!p.station())
        return;
    // Ten decimal digits, two per byte.
    double v = 0;
    for (int k = 0; k <= 4; ++k)
        v = v * 100 + hi(p.data(k)) * 10 + lo(p.data(k));
    StationSerial = v;
}

void Identify::rx_version(const ln::Msg& m)
{
    const ln::PeerMessage p(m);
    if (!p.station())
        return;
    const int major = p.data(1), minor = p.data(0);
    StationVersion = hi(major) + lo(major) / 10.0 + hi(minor) / 100.0 + lo(minor) / 1000.0;
}
