#pragma once
// Train identification: the reports of the Kennix receivers beside the
// track, the window slots that show them and the train-category names.
// The core decides which slot a report goes to and what it shows; the
// window layer follows the signals.

#include "core/file_io.h"
#include "core/services.h"
#include "zk_file.h"

#include <QObject>
#include <QPoint>
#include <QString>
#include <array>

namespace ln {
struct TrainIdReport;
}

// One window slot and what its window shows.
struct KnxSlot {
    // Receiver numbers start at 0, so the two free states are negative.
    static constexpr int Freed = -1;     // its window was closed; position kept
    static constexpr int NeverUsed = -2; // no window yet
    int receiver = NeverUsed;
    int loco = 0; // loco address shown, 0 for none
    QPoint pos;   // saved position of the window (frame's top left)
    QString LadrTxt, ZkTXT, FRTxt, SpeedTxt;
};

class Kennix : public QObject {
    Q_OBJECT
  public:
    static constexpr int Windows = 20;
    static constexpr int Receivers = 2048; // numbers a report can carry

    explicit Kennix(const Services& s);

    ZkNames ZkName;
    // Per receiver number: -1 show its reports, 0 ignore them for this run.
    std::array<int, 4097> KnxShow{};
    // Slots 1..20; entry 0 is never used.
    std::array<KnxSlot, Windows + 1> KnxWin{};
    // Answer of the close question: 0 waiting, else Ja or Nein (below).
    int KnxClose = 0;
    // The slot whose window the question is about; 0 while none is asked.
    int KnxAskSlot = 0;

    // Start values: every receiver shown, every slot unused.
    void reset();
    void load_zk();
    // Writes zk.dat; a failure is reported and the old file stays. One that
    // start could not read whole is written only when the names changed.
    bool save_zk();

    // The four names as edited in the names window.
    void set_names(const ZkNames& names) { ZkName = names; }

    // Where a window opened in slot k goes: tiled by its size across a
    // screen of the given width.
    static QPoint tile_position(int k, QSize window, int screenWidth);

    // The window of slot k was deactivated or moved there.
    void save_position(int k, QPoint pos);
    // The user closes the window of slot k: the question is asked. While
    // another question is open that one comes up again and the window
    // stays (false).
    bool query_unload(int k, QPoint pos);
    // Answers to the close question: show again, never again in this run,
    // or dismissed without an answer (the window stays).
    static constexpr int Ja = -1, Nein = 1, NoAnswer = 0;
    void answer_close(int answer);

    // How a window comes up for a report: where it is, tiled (first time
    // in its slot) or at its slot's saved position.
    enum class Place { Keep, Tile, Saved };
    Q_ENUM(Place)

  signals:
    // The window of slot k shows its slot's texts and comes to the front.
    void window_shown(int k, Kennix::Place place);
    void window_closed(int k);
    void close_question(int k);

  private:
    void knx_report(const ln::TrainIdReport& r);
    int slot_of(int receiver) const;
    int open_window(int receiver, Place* place);

    Services s_;
    DataFileAtStart zkAtStart_;
};
