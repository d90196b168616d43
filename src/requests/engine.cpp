#include "engine.h"

#include "core/messages.h"
#include "loconet/link.h"

namespace {
const QString kHinweis = QStringLiteral("Hinweis");
const QString kOffline = QStringLiteral("Keine Verbindung zur Zentrale: bitte erst \"Verbinden\".");
const QString kBusy = QStringLiteral("Bitte warten, bis %1 beendet ist.");
const QString kBusyAnything = QStringLiteral("Bitte warten, bis der laufende Auftrag beendet ist.");
} // namespace

const ReqEngine::JobDef* ReqEngine::running() const
{
    const auto it = jobs_.find(ReqJob);
    return ReqJob != 0 && it != jobs_.end() ? &it->second : nullptr;
}

void ReqEngine::post(int job, int step)
{
    if (ReqJob != 0) {
        // Ending the old job clears ReqAdr, which the poster has already set
        // for the new one.
        const int adr = ReqAdr;
        end(End::Replaced);
        ReqAdr = adr;
    }
    ReqJob = job;
    ReqStep = step;
}

ReqEngine::Refusal ReqEngine::refusal() const
{
    if (!online)
        return Refusal::Offline;
    const JobDef* def = running();
    if (def && def->exclusive && def->exclusive())
        return Refusal::Busy;
    return Refusal::None;
}

QString ReqEngine::refusal_text() const
{
    switch (refusal()) {
    case Refusal::None: return {};
    case Refusal::Offline: return kOffline;
    case Refusal::Busy: {
        const JobDef* def = running();
        return def && !def->what.isEmpty() ? kBusy.arg(def->what) : kBusyAnything;
    }
    }
    return {};
}

bool ReqEngine::allowed()
{
    if (refusal() == Refusal::None)
        return true;
    msgs_.show(kHinweis, refusal_text(), MsgIcon::Information);
    return false;
}

bool ReqEngine::request(int job, int step)
{
    if (!allowed())
        return false;
    post(job, step);
    return true;
}

void ReqEngine::req_engine()
{
    if (ReqJob == 0)
        return;
    emit lock_ui(true);
    if (!link_.txFree())
        return;
    const JobDef* def = running();
    // A number nobody registered ends at once, so the window unlocks again.
    if (def && def->step && !def->step())
        return;
    end(End::Done);
    emit lock_ui(false);
}

void ReqEngine::disconnected()
{
    if (ReqJob != 0)
        end(End::Disconnected);
}

void ReqEngine::end(End how)
{
    const JobDef* def = running();
    const Ending ending = def ? def->ending : Ending{};
    ThrBusy = false;
    ReqJob = 0;
    ReqAdr = 0;
    ReqStep = 0;
    if (ending)
        ending(how);
}
