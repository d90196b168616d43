#include "loco_settings.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/number_text.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "slots.h"
#include "loconet/views.h"

#include <array>

namespace {
const QString kLokFmtSchreiben = QStringLiteral("Fehler: Lokdatenformat schreiben");
const QString kLokFmtLesen = QStringLiteral("Fehler: Lokdatenformat lesen");
constexpr int WriteFlag = 64;
constexpr int AckOk = 0x7F;
// Codes read, by list entry: "Motorola alt", "Motorola neu", "DCC - 14", "DCC - 28", "DCC - 128".
constexpr std::array<int, 5> kCodes = {0, 1, 16, 18, 19};
} // namespace

class LocoSettings::ReadJob : public Job {
  public:
    ReadJob(LocoSettings& owner, int adr) : Job(JobKind::LocoFormatRead), o_(owner), adr_(adr) {}
    int adr() const { return adr_; }
    void answer(int code)
    {
        if (Step == 1)
            code_ = code;
    }

  protected:
    bool step() override
    {
        if (Step == 0) {
            send(lokcfg_read_message(adr_));
            Step = 1;
            wait(AnswerTimeout);
            return false;
        }
        if (refused_)
            return true; // the acknowledge has been reported
        if (code_ == -1) {
            if (!expired())
                return false;
            o_.s_.msgs.show(titles::Fehler, KeineAntwortCfg, MsgIcon::Critical);
            return finish(End::TimedOut);
        }
        emit o_.format_read(adr_, entry_of_code(code_));
        return true;
    }
    void acked(int code) override
    {
        if (code == AckOk)
            return;
        o_.s_.msgs.show(titles::LocoNetFehler, kLokFmtLesen, MsgIcon::Critical);
        refused_ = true;
    }

  private:
    LocoSettings& o_;
    const int adr_;
    int code_ = -1;
    bool refused_ = false;
};

LocoSettings::LocoSettings(const Services& s, Slots& slotTable) : s_(s), slots_(slotTable)
{
    s.req.declare(JobKind::LocoFormatRead);
    s.req.declare(JobKind::LocoFormatWrite);
    s.dispatch.onPeer(ln::cmd::Format, [this](const ln::Msg& m) { rx_answer(m); });
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
    cancel();
    auto job = std::make_shared<ReadJob>(*this, adr);
    if (!s_.req.submit(job, ReqEngine::Caller::Quiet))
        return false;
    read_ = job;
    return true;
}

void LocoSettings::cancel()
{
    s_.req.cancel(read_.lock(), End::Replaced);
}

bool LocoSettings::write(int adr, int entry)
{
    const int code = code_of_entry(entry);
    if (code < 0)
        return false;
    if (adr != extraAdr_)
        LokCfgExtra = 0; // nothing known about this loco's second byte
    const auto message = ln::PeerMessage::stationCommand(
        ln::cmd::WriteFormat, {adr & 0xFF, (adr & 0x3F00) >> 8, code, LokCfgExtra});
    const auto onAck = [this](int ack) {
        if (ack != AckOk)
            s_.msgs.show(titles::LocoNetFehler, kLokFmtSchreiben, MsgIcon::Critical);
    };
    cancel();
    if (!s_.req.submit(std::make_shared<MessageJob>(JobKind::LocoFormatWrite, message, onAck)))
        return false;
    emit format_written(adr);
    return true;
}

void LocoSettings::rx_answer(const ln::Msg& m)
{
    const ln::PeerMessage p(m);
    if (!p.station())
        return;
    const int adr = p.word(0);
    // Answers for other addresses belong to other readers (throttle requests).
    const auto job = std::static_pointer_cast<ReadJob>(read_.lock());
    if (!job || job->adr() != adr)
        return;
    LokCfgExtra = p.data(3);
    extraAdr_ = adr;
    job->answer(p.data(2) & 0x1F);
}
