#pragma once
// Pieces shared by the accessory keyboard, the feedback panel and the route
// panel: the page selector row and the sixteen framed cells in two rows of
// eight.

#include <QString>
#include <array>
#include <functional>

class QComboBox;
class QFrame;
class QLabel;
class QLayout;
class QPushButton;
class QWidget;

// What names the page shown: its entry in the selector, the range label
// beside it and the number above each cell.
struct PageHead {
    QComboBox* selector;
    QLabel* range;
    std::array<QLabel*, 16> numbers{};
    // Shows page index (0..127).
    void show(int index);
};

// Lays the page out: the selector with its count entries and the range
// label beside it, above the cells; choosing an entry calls select.
void lay_out_page(QWidget* page, PageHead& head, int count,
                  const std::function<QString(int)>& entry, QLayout* cells,
                  const std::function<void(int)>& select);
// Sixteen framed cells named frameName_i, each with a number label
// (numberName_i, kept in head) above the widgets the cell function lays
// into it.
QLayout* sixteen_cells(const char* frameName, const char* numberName, PageHead& head,
                       const std::function<QLayout*(int i)>& cell);
// A key filled with an indicator colour (24-bit, red in the low byte).
void colour_key(QPushButton* key, int colour);
// "Name_i".
QString indexed_name(const char* name, int i);
