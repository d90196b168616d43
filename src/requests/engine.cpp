#include "engine.h"

#include "loconet/link.h"

void ReqEngine::req_engine()
{
    if (ReqJob == 0)
        return;
    emit lock_ui(true);
    if (!link_.txFree())
        return;
    const auto it = jobs_.find(ReqJob);
    // A number nobody registered ends at once, so the window unlocks again.
    if (it != jobs_.end() && !it->second())
        return;
    end_job();
}

void ReqEngine::end_job()
{
    ThrBusy = false;
    ReqJob = 0;
    ReqAdr = 0;
    ReqStep = 0;
    emit lock_ui(false);
}
