#include "kennix.h"

#include "core/datadir.h"
#include "core/file_io.h"
#include "core/messages.h"
#include "loconet/dispatch.h"
#include "loconet/views.h"

#include <QSize>
#include <algorithm>

namespace {
const QString kZkFile = QStringLiteral("zk.dat");
const QString kZkNichtGeschrieben = QStringLiteral("zk.dat konnte nicht geschrieben werden: %1");
const QString kNone = QStringLiteral("-");
const QString kS1S2 = QStringLiteral("S1 nach S2");
const QString kS2S1 = QStringLiteral("S2 nach S1");
const QString kKmh = QStringLiteral(" Km/h");

void blank(KnxSlot& slot)
{
    slot.loco = 0;
    slot.LadrTxt = slot.ZkTXT = slot.FRTxt = slot.SpeedTxt = kNone;
}
} // namespace

Kennix::Kennix(const Services& s) : s_(s)
{
    reset();
    s.dispatch.on(ln::op::TrainId, [this](const ln::Msg& m) {
        if (ln::TrainIdReport::is(m))
            knx_report(ln::TrainIdReport(m));
    });
}

void Kennix::reset()
{
    KnxShow.fill(-1);
    KnxWin.fill(KnxSlot{});
    KnxClose = 0;
    KnxAskSlot = 0;
}

void Kennix::load_zk()
{
    QByteArray bytes;
    zkAtStart_.read = read_data_file(s_.data.file(kZkFile), ZkMaxFileSize, &bytes);
    bool whole = true;
    ZkName = parse_zk(bytes, &whole);
    if (!whole && zkAtStart_.read == FileRead::Whole)
        zkAtStart_.read = FileRead::Partly;
    zkAtStart_.content = format_zk(ZkName);
}

bool Kennix::save_zk()
{
    return save_data_file(s_.data, kZkFile, format_zk(ZkName), zkAtStart_, s_.msgs,
                          kZkNichtGeschrieben);
}

QPoint Kennix::tile_position(int k, QSize window, int screenWidth)
{
    const int w = std::max(window.width(), 1);
    const int perRow = std::max(screenWidth / w, 1);
    return {(k - 1) % perRow * w, (k - 1) / perRow * window.height()};
}

void Kennix::save_position(int k, QPoint pos)
{
    if (k >= 1 && k <= Windows)
        KnxWin[size_t(k)].pos = pos;
}

bool Kennix::query_unload(int k, QPoint pos)
{
    if (k < 1 || k > Windows || KnxWin[size_t(k)].receiver < 0)
        return false;
    save_position(k, pos);
    if (KnxAskSlot != 0) {
        emit close_question(KnxAskSlot); // one question at a time: bring it up again
        return false;
    }
    KnxAskSlot = k;
    KnxClose = 0;
    emit close_question(k);
    return true;
}

void Kennix::answer_close(int answer)
{
    const int k = KnxAskSlot;
    if (k == 0)
        return;
    KnxAskSlot = 0;
    KnxClose = answer;
    if (answer == NoAnswer)
        return;
    KnxSlot& slot = KnxWin[size_t(k)];
    if (answer == Nein) {
        KnxShow[size_t(slot.receiver)] = 0;
        KnxClose = 0;
    }
    slot.receiver = KnxSlot::Freed;
    emit window_closed(k);
}

int Kennix::slot_of(int receiver) const
{
    for (int k = 1; k <= Windows; ++k)
        if (KnxWin[size_t(k)].receiver == receiver)
            return k;
    return 0;
}

// Takes the lowest free slot for the receiver, its texts all "-";
// 0 when all 20 are taken.
int Kennix::open_window(int receiver, Place* place)
{
    for (int k = 1; k <= Windows; ++k) {
        KnxSlot& slot = KnxWin[size_t(k)];
        if (slot.receiver >= 0)
            continue;
        *place = slot.receiver == KnxSlot::NeverUsed ? Place::Tile : Place::Saved;
        slot.receiver = receiver;
        blank(slot);
        return k;
    }
    return 0;
}

void Kennix::knx_report(const ln::TrainIdReport& r)
{
    using Kind = ln::TrainIdReport::Kind;
    using Direction = ln::TrainIdReport::Direction;
    const int receiver = r.receiver();
    if (KnxShow[size_t(receiver)] == 0 || r.kind() == Kind::Ignored)
        return;

    int k = slot_of(receiver);
    if (r.kind() == Kind::Clear) {
        if (k == 0)
            return;
        blank(KnxWin[size_t(k)]);
        emit window_shown(k, Place::Saved);
        return;
    }
    Place place = Place::Keep;
    if (k == 0 && (k = open_window(receiver, &place)) == 0)
        return; // all 20 windows are taken

    KnxSlot& slot = KnxWin[size_t(k)];
    if (r.kind() == Kind::Speed) {
        slot.SpeedTxt = QString::number(r.kmh()) + kKmh;
    } else {
        slot.loco = r.loco();
        slot.LadrTxt = QString::number(slot.loco);
        slot.ZkTXT = ZkName[size_t(r.category())];
        slot.FRTxt = r.direction() == Direction::S1toS2   ? kS1S2
                     : r.direction() == Direction::S2toS1 ? kS2S1
                                                          : kNone;
    }
    emit window_shown(k, place);
}
