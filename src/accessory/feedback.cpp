#include "feedback.h"

#include "accessory/pages.h"
#include "loconet/views.h"
#include "core/colour.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "requests/engine.h"

namespace {
const QString kPageEntry = QStringLiteral("Rückmelder: %1");
const QString kButtonTip = QStringLiteral("Rückm.%1 %2 aussenden");
const QString kBelegt = QStringLiteral("belegt");
const QString kFrei = QStringLiteral("frei");

constexpr int KeyF = 70, KeyB = 66;
} // namespace

Feedback::Feedback(const Services& s) : s_(s)
{
    reset();
    s.req.declare(JobKind::SensorReport);
    s.dispatch.on(ln::op::InputRep, [this](const ln::Msg& m) { sensor_report(m); });
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
    const ln::SensorReport r(m);
    const int s = r.sensor(); // < 4096 by its bits
    RmState[size_t(s)] = r.occupied() ? 1 : 0;
    if (s >= RmBase && s < RmBase + pages::Size)
        emit rm_anz(s - RmBase, anz_colour(s));
    emit route_trigger_rm(s, RmState[size_t(s)]);
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
    if (i < 0 || i >= pages::Size)
        return;
    const int s = RmBase + i;
    // Never reported counts as free.
    report(s, state(s) == 1 ? 0 : 1);
}

bool Feedback::send_report(int number, int level)
{
    if (number <= 0 || number > PanelSensors)
        return true;
    return report(number - 1, level & 1);
}

bool Feedback::report(int s, int level)
{
    return s_.req.submit(
        std::make_shared<MessageJob>(JobKind::SensorReport, ln::SensorReport::make(s, level != 0)));
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
