#include "route_panel.h"

#include "accessory/pages.h"
#include "route_table.h"

namespace {
const QString kPageEntry = QStringLiteral("Fahrstrassen: %1");
const QString kTip[2] = {QStringLiteral("Fahrstr. %1 anfordern"),
                         QStringLiteral("Fahrstr. %1 auflösen")};
constexpr int KeyF = 70, KeyL = 76;
} // namespace

RoutePanel::RoutePanel(RouteTable& table) : table_(table)
{
    Taste_Fadr.add_letter(KeyF, [this](int n) { request_route(n); });
    Taste_Fadr.add_letter(KeyL, [this](int n) { release_route(n); });
}

void RoutePanel::select_page(int index)
{
    FsBase = pages::clamp(index, Pages) * Size;
    emit page_shown(FsBase / Size);
}

void RoutePanel::request(int i)
{
    if (i >= 0 && i < Size)
        request_route(FsBase + i + 1);
}

void RoutePanel::release(int i)
{
    if (i >= 0 && i < Size)
        release_route(FsBase + i + 1);
}

void RoutePanel::request_route(int n)
{
    if (RouteTable::is_route(n))
        table_.set_flag(n, RouteTable::Requested, true);
}

void RoutePanel::release_route(int n)
{
    if (RouteTable::is_route(n))
        table_.set_flag(n, RouteTable::Active, false);
}

QString RoutePanel::page_entry(int k)
{
    return kPageEntry.arg(pages::range_text(k * Size));
}

QString RoutePanel::button_tip(int i, bool release) const
{
    return kTip[release ? 1 : 0].arg(FsBase + i + 1);
}
