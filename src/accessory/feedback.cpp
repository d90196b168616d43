#include "feedback.h"

#include "accessory/pages.h"
#include "accessory/wire.h"
#include "core/colour.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "requests/engine.h"

namespace {
const QString kPageEntry = QStringLiteral("Rückmelder: %1");
const QString kButtonTip = QStringLiteral("Rückm.%1 %2 aussenden");
const QString kBelegt = QStringLiteral("belegt");
const QString kFrei = QStringLiteral("frei");

constexpr int JobReport = 20; // + level: 20 free, 21 occupied
constexpr int KeyF = 70, KeyB = 66;
} // namespace

Feedback::Feedback(const Services& s) : s_(s)
{
    reset();
    s.req.registerJob(JobReport, [this] { return report_job(0); });
    s.req.registerJob(JobReport + 1, [this] { return report_job(1); });
    s.dispatch.on(0xB2, [this](const ln::Msg& m) { sensor_report(m); });
    Taste_Radr.add_letter(KeyF, [this](int n) { return send_report(n, 0); });
    Taste_Radr.add_letter(KeyB, [this](int n) { return send_report(n, 1); });
}

void Feedback::reset()
{
    RmState.fill(-1);
    RmBase = 0;
}

void Feedback::sensor_report(const ln::Msg& m)
{
    const acc::SensorReport r = acc::read_sensor(m); // s < 4096 by its bits
    RmState[size_t(r.s)] = r.level;
    if (r.s >= RmBase && r.s < RmBase + pages::Size)
        emit rm_anz(r.s - RmBase, anz_colour(r.s));
    emit route_trigger_rm(r.s, r.level);
}

void Feedback::select_page(int index)
{
    const int old = RmBase;
    RmBase = pages::clamp(index) * pages::Size;
    if (RmBase != old) {
        for (int i = 0; i < pages::Size; ++i)
            emit rm_anz(i, anz_colour(RmBase + i));
    }
    emit page_shown(RmBase / pages::Size);
}

void Feedback::change(int i)
{
    if (i < 0 || i >= pages::Size || !s_.req.allowed())
        return;
    const int s = RmBase + i;
    int& st = RmState[size_t(s)];
    if (st == -1)
        st = 0; // never reported counts as free
    s_.req.ReqAdr = s;
    s_.req.post(JobReport + 1 - st);
}

bool Feedback::send_report(int number, int level)
{
    if (number <= 0 || number > PanelSensors)
        return true;
    if (!s_.req.allowed())
        return false;
    s_.req.ReqAdr = number - 1;
    s_.req.post(JobReport + (level & 1));
    return true;
}

bool Feedback::report_job(int level)
{
    ReqEngine& req = s_.req;
    // Step 1 runs once the message has gone out: nothing is awaited.
    if (req.ReqStep != 0 || req.ReqAdr < 0 || req.ReqAdr >= Sensors)
        return true;
    const acc::Bytes m = acc::sensor_report(req.ReqAdr, level);
    s_.link.put({m[0], m[1], m[2]});
    req.ReqStep = 1;
    return false;
}

QString Feedback::rm_text(int s) const
{
    return state(s) == 1 ? kFrei : kBelegt;
}

QString Feedback::page_entry(int k)
{
    return kPageEntry.arg(pages::range_text(k * pages::Size));
}

QString Feedback::button_tip(int i) const
{
    return kButtonTip.arg(RmBase + i + 1).arg(rm_text(RmBase + i));
}

int Feedback::anz_colour(int s) const
{
    const int st = state(s);
    return st < 0 ? colour::White : st == 0 ? colour::Yellow : colour::Red;
}
