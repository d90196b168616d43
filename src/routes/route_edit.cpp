#include "route_edit.h"

#include "route_step.h"
#include "route_table.h"

#include <QLocale>
#include <limits>
#include <vector>

namespace route_edit {

namespace {
// Numbers as typed: whole or with a fraction, never in exponent form.
QString number_text(double v)
{
    return QString::number(v, 'f', QLocale::FloatingPointShortest);
}

// One group of the dialog: its number below limit, and one of its letters
// chosen (a pause has none).
struct Group {
    int index;
    QString prefix, number;
    int option;
    QStringList letters;
    double limit;
};

// The groups a cell takes, in the dialog's order.
std::vector<Group> groups(const Entry& e, bool stepCell)
{
    std::vector<Group> g{{0, step::Ma, e.MagAdr, e.MagOpt, step::MaDirs, step::MaxNumber},
                         {1, step::Rm, e.RmAdr, e.RmOpt, step::RmStates, step::MaxNumber}};
    if (stepCell) {
        g.push_back({2, step::Fs, e.FSAdr, e.FSOpt, step::FsCmds, RouteTable::Rows});
        g.push_back({3, step::Pa, e.Pau, -1, {}, std::numeric_limits<double>::infinity()});
    }
    return g;
}

Missing::Part gap(const Group& g)
{
    const double n = text_value(g.number);
    if (n <= 0 || n >= g.limit)
        return Missing::Number;
    if (!g.letters.isEmpty() && (g.option < 0 || g.option >= g.letters.size()))
        return Missing::Option;
    return Missing::Nothing;
}

QString text_of(const Group& g)
{
    const QString n = number_text(text_value(g.number));
    return g.letters.isEmpty() ? g.prefix + u'-' + n : g.prefix + n + u'-' + g.letters[g.option];
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
    for (const Group& g : groups(e, stepCell))
        if (gap(g) == Missing::Nothing)
            return text_of(g);
    return std::nullopt;
}

Missing missing(const Entry& e, bool stepCell)
{
    if (cell_text(e, stepCell))
        return {};
    // Typing in one group empties the others: the one filled in is meant.
    for (const Group& g : groups(e, stepCell))
        if (!g.number.isEmpty() || g.option >= 0)
            return {gap(g), g.index};
    return {Missing::Empty, 0};
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
