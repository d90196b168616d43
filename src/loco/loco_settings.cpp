#include "loco_settings.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/number_text.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "requests/engine.h"
#include "slots.h"

#include <array>

namespace {
enum Job { ReadJob = 48, WriteJob = 49 };
constexpr int WriteCommand = 0x0C;
constexpr uint8_t AnswerCommand = 0x0B;
constexpr int WriteFlag = 64;
constexpr int AckOk = 0x7F;
// Codes read, by list entry: "Motorola alt", "Motorola neu", "DCC - 14", "DCC - 28", "DCC - 128".
constexpr std::array<int, 5> kCodes = {0, 1, 16, 18, 19};
const QString kSchreiben = QStringLiteral("das Schreiben des Lokdatenformats");
} // namespace

LocoSettings::LocoSettings(const Services& s, Slots& slotTable) : s_(s), slots_(slotTable)
{
    // However the read ends, a later answer no longer changes the window.
    s.req.registerJob(ReadJob, {[this] { return lokcfg_read(); },
                                [this](ReqEngine::End) {
                                    awaiting_ = false;
                                    LokCfgPending = false;
                                }});
    s.req.registerJob(WriteJob, {[this] { return lokcfg_write(); },
                                 [this](ReqEngine::End) { LokCfgPending = false; },
                                 [] { return true; }, kSchreiben});
    s.dispatch.onPeer(AnswerCommand, [this](const ln::Msg& m) { rx_answer(m); });
}

int LocoSettings::entry_of_code(int code)
{
    for (size_t i = 0; i < kCodes.size(); ++i)
        if (kCodes[i] == code)
            return int(i);
    return NoEntry;
}

int LocoSettings::code_of_entry(int entry)
{
    return entry >= 0 && entry < int(kCodes.size()) ? kCodes[size_t(entry)] + WriteFlag : -1;
}

std::optional<int> LocoSettings::address(const QString& text)
{
    return number_in(text, 1, MaxAddress);
}

bool LocoSettings::read(int adr)
{
    if (s_.req.refusal() != ReqEngine::Refusal::None)
        return false;
    LokCfgPending = true;
    LokCfgAdr = adr;
    s_.req.post(ReadJob);
    return true;
}

bool LocoSettings::write(int adr, int entry)
{
    const int code = code_of_entry(entry);
    if (code < 0 || !s_.req.allowed())
        return false;
    if (adr != extraAdr_)
        LokCfgExtra = 0; // nothing known about this loco's second byte
    LokCfgCode = code;
    LokCfgPending = true;
    LokCfgAdr = adr;
    s_.req.post(WriteJob);
    for (SlotRec& panel : slots_.ThrLoco)
        if (panel.Adr == adr)
            panel.Adr = -1;
    return true;
}

bool LocoSettings::lokcfg_read()
{
    if (s_.req.ReqStep == 0) {
        slots_.put_lokcfg_read(LokCfgAdr);
        LokCfgCode = -1;
        awaiting_ = true;
        s_.dispatch.LackCode = -1;
        s_.req.ReqTime = s_.clock.now();
        s_.req.ReqStep = 1;
        return false;
    }
    const int ack = s_.dispatch.LackCode;
    if (ack != -1 && ack != AckOk)
        return true; // refused: the acknowledge has been reported
    if (LokCfgCode == -1) {
        if (s_.clock.now() - s_.req.ReqTime <= AnswerTimeout)
            return false;
        s_.msgs.show(titles::Fehler, KeineAntwortCfg, MsgIcon::Critical);
        return true;
    }
    if (LokCfgPending)
        emit format_read(LokCfgAdr, entry_of_code(LokCfgCode));
    return true;
}

bool LocoSettings::lokcfg_write()
{
    const int adr = LokCfgAdr;
    return s_.link.put_command(WriteCommand,
                               {adr & 0xFF, (adr & 0x3F00) >> 8, LokCfgCode, LokCfgExtra});
}

void LocoSettings::rx_answer(const ln::Msg& m)
{
    // Answers for other addresses belong to other readers (throttle requests).
    if (!has_signature(m) || m[7] + 256 * m[8] != LokCfgAdr)
        return;
    LokCfgExtra = m[10];
    extraAdr_ = LokCfgAdr;
    if (awaiting_)
        LokCfgCode = m[9] & 0x1F;
}
