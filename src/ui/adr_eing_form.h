#pragma once
// The input dialog of the route editor: one group per kind of step
// (accessory, sensor report, route command, pause) of which only one can
// hold an entry; typing in a group or choosing one of its options clears
// the others. It closes with a result: 1 change, 2 insert, 3 delete,
// 99 cancel (also Escape and closing the window), reported by finished().
// A change or insert without a usable entry does not close it: it says
// what is missing.

#include "routes/route_edit.h"

#include <QDialog>
#include <array>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;

class AdrEingForm : public QDialog {
    Q_OBJECT
  public:
    explicit AdrEingForm(QWidget* parent);

    // Fills the groups; route command and pause are shown for steps only.
    // Filling is not typing: no group is cleared by it.
    void fill(const route_edit::Entry& e, bool stepCell);
    route_edit::Entry entry() const;

    void done(int result) override;

    // The cancel caption, also of the editor's delete question.
    static inline const QString Abbrechen = QStringLiteral("Abbrechen");

  private:
    struct Group {
        QGroupBox* frame;
        QLineEdit* text;
        QButtonGroup* options; // null for the pause
    };
    void refuse(const route_edit::Missing& m);
    void typed(int g);
    void clear_others(int g);
    static void set_option(QButtonGroup* options, int id);

    std::array<Group, 4> groups_{};
    QLabel* HinweisLbl = nullptr;
    bool stepCell_ = true;
};
