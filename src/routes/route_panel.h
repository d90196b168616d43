#pragma once
// Route memory panel logic: the page of 16 routes shown, requesting and
// releasing a route by its button or by a typed number (Taste_Fadr). Both
// only write flags; the engine decides what happens and paints the panel.

#include "accessory/key_entry.h"

#include <QObject>

class RouteTable;

class RoutePanel : public QObject {
    Q_OBJECT
  public:
    explicit RoutePanel(RouteTable& table);

    static constexpr int Size = 16;
    static constexpr int Pages = 13; // 16 routes each: 1..208

    int FsBase = 0; // routes before the first one shown

    // MemNrCo_Click: the texts are rewritten; the indicators follow on the
    // engine's next pass.
    void select_page(int index);
    // FSSetBut(i) / FSRsBut(i).
    void request(int i);
    void release(int i);
    // Route n (1..208) requested or its active flag cleared; other
    // numbers change nothing.
    void request_route(int n);
    void release_route(int n);

    // Number typed in the key-entry window; "F" requests, "L" releases.
    KeyEntry Taste_Fadr;

    // Entry k of MemNrCo.
    static QString page_entry(int k);
    // Tool tip of FSSetBut(i) (release false) or FSRsBut(i).
    QString button_tip(int i, bool release) const;

  signals:
    // The page shown, its range label and tool tips are to be drawn.
    void page_shown(int index);

  private:
    RouteTable& table_;
};
