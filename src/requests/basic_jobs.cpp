#include "basic_jobs.h"

#include "engine.h"
#include "loconet/link.h"

namespace {
const QString kZuruecksetzen = QStringLiteral("das Zurücksetzen der Zentrale");
} // namespace

void register_basic_jobs(ReqEngine& req, Link& link)
{
    req.registerJob(3, [&link] { return link.put({0x82}); });
    req.registerJob(4, [&link] { return link.put({0x83}); });
    req.registerJob(40, [&req, &link] {
        // A message typed with its checksum goes out as typed, not with a second one.
        if (link.hex_to_tx(req.RawText) && ln::isWholeMessage(link.LnTx.data(), link.LnTxLast + 1))
            --link.LnTxLast;
        return true;
    });
    // Reset: byte 7 = the step it was posted with (0 configuration, 1 loco data formats).
    // Once asked for, it is not cut off: the station restarts with it.
    const auto reset = [&req, &link] {
        return link.put_command(24, {req.ReqStep & 0xFF, 0, 0, 0, 0, 0, 0});
    };
    req.registerJob(46, {reset, {}, [] { return true; }, kZuruecksetzen});
}
