#pragma once
// What the route editor does to the table: toggling a flag, deleting a
// route, and writing, inserting or deleting a trigger or step from the
// input dialog (AdrEingForm). The windows only read the widgets and call
// these.

#include <QString>
#include <optional>

class RouteTable;

namespace route_edit {

// The dialog's results.
enum Result { Change = 1, Insert = 2, Delete = 3, Cancel = 99 };

// What the input dialog holds: the text of each group and the option
// chosen in it (-1 none).
struct Entry {
    QString MagAdr;
    int MagOpt = -1; // 0 red, 1 green
    QString RmAdr;
    int RmOpt = -1; // 0 free, 1 occupied
    QString FSAdr;
    int FSOpt = -1; // block, free, request, release
    QString Pau;
};

// Why an entry cannot be written: nothing filled in, or the number or the
// option of the group that was filled in (0 accessory, 1 sensor, 2 route
// command, 3 pause).
struct Missing {
    enum Part { Nothing, Empty, Number, Option } part = Nothing;
    int group = 0;
};

// The dialog filled from a cell's text.
Entry entry_of(const QString& cell);
// The text of the first group holding a valid entry; route commands and
// pauses only in a step cell.
std::optional<QString> cell_text(const Entry& e, bool stepCell);
// What keeps cell_text from giving a text; part Nothing when it gives one.
Missing missing(const Entry& e, bool stepCell);

bool is_step(int c);

void toggle_flag(RouteTable& table, int r, int c);
// Empties every cell of route r; its number stays.
void clear_route(RouteTable& table, int r);
// A dialog result for cell (r, c). Steps shift on insert and delete; a
// trigger cell is only written or emptied. An insert without a valid entry
// changes nothing.
void apply(RouteTable& table, int r, int c, int result, const Entry& e);

} // namespace route_edit
