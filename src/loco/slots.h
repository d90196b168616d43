#pragma once
// The slot table: a mirror of the command station's loco slots, fed by every
// slot message on the bus, whoever sent it. It holds what the station said
// in this session only: a new connection starts it blank.

#include "core/services.h"

#include <QObject>
#include <QString>
#include <array>

namespace ln {
class Msg;
}

// The station left a loco request or a loco's format read unanswered; the
// dispatch and single-loco windows ask the same and say it in the same words.
inline const QString KeineAntwortLok = QStringLiteral("Keine Antwort auf Lokanfrage erhalten!");
inline const QString KeineAntwortCfg = QStringLiteral("Keine Antwort auf LokCfg-Read erhalten!");

struct SlotRec {
    int Adr = 0;
    int Slot = 0;
    int Stat = 0;
    int Spd = 0;
    int Dirf = 0;
    int Snd = 0;
    std::array<int, 17> Ext{};
    int Steps = 0;
    QString FmtName;
    int FmtCode = 0;
};

struct DataFormat {
    QString name;
    int steps;
};
// Name and speed steps of a data-format code of the configuration answer.
DataFormat data_format(int code);

// Where function n (0..28) lives in a slot record: a mask in Dirf (F0..F4),
// in Snd (F5..F8) or in function group Ext(group) (F9..F28).
struct FnPlace {
    enum Field { Dirf, Snd, Group } field;
    int group;
    int mask;
};
FnPlace fn_place(int n);
// Function n (0..28) of a slot record is on.
bool function_on(const SlotRec& loco, int n);

// The loco request for adr as the station of that type takes it (BF for
// type 1 and unknown stations, BE for the others); empty while the type
// is being identified (no stale opcode goes out).
QByteArray loco_request_message(int stationType, int adr);
// The read of a loco's configuration (data format).
QByteArray lokcfg_read_message(int adr);

class Slots : public QObject {
    Q_OBJECT
  public:
    explicit Slots(const Services& s);

    static constexpr int Blank = 130; // never written by a message: clears a panel

    std::array<SlotRec, 131> SlotData{};
    // The throttle panels' slots and their copies of the slot records; the
    // loco drivers keep them.
    std::array<int, 2> ThrSlot{-1, -1};
    std::array<SlotRec, 2> ThrLoco{};
    int TrkStat = 0;

    // Both panels without a loco (start-up).
    void reset_panels();
    // Slot 0 data awaited by the identification; cleared when they arrive.
    void await_slot0() { SlotData[0].Adr = -1; }
    bool slot0_arrived() const { return SlotData[0].Adr == 0; }

    // The loco request for adr as the station identified takes it.
    QByteArray loco_request(int adr) const;

    static constexpr double AnswerTimeout = 2.0;

  signals:
    // Speed, direction, functions or data format of loco slot s changed.
    void slot_changed(int s);
    // Slot data for loco slot s arrived: plain (E7) or extended (E6).
    void slot_data(int s, bool plain);
    // A loco's configuration answer: its data format code.
    void format_answer(int adr, int code);

  private:
    void clear();
    void bind_by_address(int slot, bool plain);
    void rx_speed(const ln::Msg& m);
    void rx_dirf(const ln::Msg& m);
    void rx_snd(const ln::Msg& m);
    void rx_f9_12(const ln::Msg& m);
    void rx_fn_group(const ln::Msg& m);
    void rx_slot(const ln::Msg& m);
    void rx_slot_ext(const ln::Msg& m);
    void rx_dir_toggle(const ln::Msg& m);
    void rx_lokcfg(const ln::Msg& m);

    Services s_;
};
