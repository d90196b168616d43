#include "route_edit.h"

#include "route_step.h"
#include "route_table.h"

#include <QLocale>

namespace route_edit {

namespace {
// Numbers as typed: whole or with a fraction, never in exponent form.
QString number_text(double v)
{
    return QString::number(v, 'f', QLocale::FloatingPointShortest);
}

std::optional<QString> group_text(const QString& prefix, const QString& number, int option,
                                  const QStringList& letters, double limit)
{
    const double n = text_value(number);
    if (n <= 0 || n >= limit || option < 0 || option >= letters.size())
        return std::nullopt;
    return prefix + number_text(n) + u'-' + letters[option];
}
} // namespace

Entry entry_of(const QString& cell)
{
    StepParts p;
    parse_step(cell, p);
    Entry e;
    e.MagAdr = p.MaAdr;
    e.MagOpt = option_of(step::MaDirs, p.MaDir);
    e.RmAdr = p.RmAdr;
    e.RmOpt = option_of(step::RmStates, p.RmState);
    e.FSAdr = p.FsNr;
    e.FSOpt = option_of(step::FsCmds, p.FsCmd);
    e.Pau = p.Pause;
    return e;
}

std::optional<QString> cell_text(const Entry& e, bool stepCell)
{
    if (auto t = group_text(step::Ma, e.MagAdr, e.MagOpt, step::MaDirs, step::MaxNumber))
        return t;
    if (auto t = group_text(step::Rm, e.RmAdr, e.RmOpt, step::RmStates, step::MaxNumber))
        return t;
    if (!stepCell)
        return std::nullopt;
    if (auto t = group_text(step::Fs, e.FSAdr, e.FSOpt, step::FsCmds, RouteTable::Rows))
        return t;
    if (const double pause = text_value(e.Pau); pause > 0)
        return step::Pa + u'-' + number_text(pause);
    return std::nullopt;
}

bool is_step(int c)
{
    return c >= RouteTable::FirstStep && c <= RouteTable::LastStep;
}

void toggle_flag(RouteTable& table, int r, int c)
{
    if (RouteTable::is_flag(c))
        table.set_flag(r, c, !table.flag(r, c));
}

void clear_route(RouteTable& table, int r)
{
    for (int c = 1; c < RouteTable::Columns; ++c)
        table.set_cell(r, c, QString());
}

void apply(RouteTable& table, int r, int c, int result, const Entry& e)
{
    if (c < RouteTable::RequestTrigger || c > RouteTable::LastStep)
        return;
    const bool stepCell = is_step(c);
    if (result == Delete) {
        if (stepCell) {
            for (int k = c; k < RouteTable::LastStep; ++k)
                table.set_cell(r, k, table.cell(r, k + 1));
        }
        table.set_cell(r, stepCell ? RouteTable::LastStep : c, QString());
        return;
    }
    if (result != Change && result != Insert)
        return;
    const auto text = cell_text(e, stepCell);
    if (!text)
        return;
    if (result == Insert && stepCell) {
        for (int k = RouteTable::LastStep; k > c; --k)
            table.set_cell(r, k, table.cell(r, k - 1));
    }
    table.set_cell(r, c, *text);
}

} // namespace route_edit
