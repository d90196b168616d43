#include "sonder_options.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/number_text.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "loconet/views.h"

namespace {
const QString kKeineAntwort = QStringLiteral("Keine Antwort auf SO-Read erhalten!");
const QString kNichtGesendet = QStringLiteral("SO-Write Konnte nicht gesendet werden!");
const QString kNummerUngueltig =
    QStringLiteral("Bitte die Nummer der Sonderoption eingeben (0 bis 1023)!");
const QString kWertUngueltig = QStringLiteral("Bitte einen Wert von 0 bis 255 eingeben!");

const QString kSoSchreiben = QStringLiteral("Fehler: SO schreiben");
const QString kSoLesen = QStringLiteral("Fehler: SO lesen");

constexpr int AckOk = 0x7F;

// The read or write message for an option: bits 8 and 9 of the number in
// byte 8; bit 7 of number and value travel in the high-bit byte.
QByteArray option_message(int cmd, int number, int value)
{
    return ln::PeerMessage::stationCommand(cmd, {number & 0xFF, (number & 0x300) >> 8, value & 0xFF});
}
} // namespace

// Reads options one after another; each answer is a peer message naming
// the option, a refusal a long acknowledge.
class SonderOptions::ReadJob : public Job {
  public:
    ReadJob(SonderOptions& owner, JobKind kind, QList<int> numbers)
        : Job(kind), o_(owner), numbers_(std::move(numbers))
    {
    }
    // An answer for the option awaited.
    void answer(int number, int value)
    {
        if (Step == 1 && number == (numbers_[index_] & MaxNumber))
            value_ = value;
    }

  protected:
    bool step() override
    {
        if (Step == 0) {
            value_ = -1;
            o_.reading_ = this;
            send(option_message(ln::cmd::ReadOption, numbers_[index_], 0));
            Step = 1;
            wait(AnswerTimeout);
            return false;
        }
        if (refused_)
            return true; // the acknowledge has been reported
        if (value_ == -1) {
            if (!expired())
                return false;
            o_.s_.msgs.show(titles::Fehler, kKeineAntwort, MsgIcon::Critical);
            return finish(End::TimedOut);
        }
        if (kind() == JobKind::OptionRead) {
            emit o_.option_read(numbers_[0], value_);
            return true;
        }
        o_.SOValues[size_t(index_)] = value_;
        if (++index_ < numbers_.size()) {
            Step = 0;
            return step();
        }
        emit o_.list_read();
        return true;
    }
    void acked(int code) override
    {
        if (code == AckOk)
            return;
        o_.s_.msgs.show(titles::LocoNetFehler, kSoLesen, MsgIcon::Critical);
        refused_ = true;
    }
    void ending(End) override
    {
        if (o_.reading_ == this)
            o_.reading_ = nullptr;
    }

  private:
    SonderOptions& o_;
    const QList<int> numbers_;
    qsizetype index_ = 0;
    int value_ = -1;
    bool refused_ = false;
};

// Writes options one after another; a refusal is reported by the
// acknowledge, which may come after the job has moved on.
class SonderOptions::WriteJob : public Job {
  public:
    WriteJob(SonderOptions& owner, JobKind kind, QList<int> numbers, QList<int> values)
        : Job(kind), o_(owner), numbers_(std::move(numbers)), values_(std::move(values))
    {
    }

  protected:
    bool step() override
    {
        if (Step == 0) {
            engine().link().put(option_message(ln::cmd::WriteOption, numbers_[index_], values_[index_]),
                                [&o = o_](int code) {
                                    if (code != AckOk)
                                        o.s_.msgs.show(titles::LocoNetFehler, kSoSchreiben,
                                                       MsgIcon::Critical);
                                });
            Step = 1;
            wait(AnswerTimeout);
            return false;
        }
        // Steps run only once the buffer is free again: in time, the write
        // was echoed; late, only the link's own time-out freed it.
        if (expired()) {
            o_.s_.msgs.show(titles::Fehler, kNichtGesendet, MsgIcon::Critical);
            return finish(End::TimedOut);
        }
        if (++index_ >= numbers_.size())
            return true;
        Step = 0;
        return step();
    }

  private:
    SonderOptions& o_;
    const QList<int> numbers_, values_;
    qsizetype index_ = 0;
};

SonderOptions::SonderOptions(const Services& s) : s_(s)
{
    for (const JobKind k : {JobKind::OptionRead, JobKind::OptionListRead, JobKind::OptionWrite,
                            JobKind::OptionListWrite, JobKind::Reset})
        s.req.declare(k);
    s.dispatch.onPeer(ln::cmd::OptionValue, [this](const ln::Msg& m) { rx_value(m); });
}

void SonderOptions::refuse(const QString& text)
{
    s_.msgs.show(titles::Fehler, text, MsgIcon::Warning);
}

bool SonderOptions::read(const QString& numberText)
{
    const auto number = number_in(numberText, 0, MaxNumber);
    if (!number) {
        refuse(kNummerUngueltig);
        return false;
    }
    return s_.req.submit(std::make_shared<ReadJob>(*this, JobKind::OptionRead, QList<int>{*number}));
}

bool SonderOptions::write(const QString& numberText, const QString& valueText)
{
    const auto number = number_in(numberText, 0, MaxNumber);
    if (!number) {
        refuse(kNummerUngueltig);
        return false;
    }
    const auto value = number_in(valueText, 0, MaxValue);
    if (!value) {
        refuse(kWertUngueltig);
        return false;
    }
    return s_.req.submit(std::make_shared<WriteJob>(*this, JobKind::OptionWrite,
                                                    QList<int>{*number}, QList<int>{*value}));
}

bool SonderOptions::read_list(const QList<int>& numbers)
{
    if (numbers.isEmpty())
        return false;
    return s_.req.submit(
        std::make_shared<ReadJob>(*this, JobKind::OptionListRead, numbers.mid(0, ListSize)),
        ReqEngine::Caller::Quiet);
}

bool SonderOptions::reading_list() const
{
    return s_.req.has(JobKind::OptionListRead);
}

bool SonderOptions::write_list(const QList<int>& numbers, const QList<int>& values)
{
    if (numbers.isEmpty() || values.size() < numbers.size())
        return false;
    const qsizetype n = std::min<qsizetype>(numbers.size(), ListSize);
    return s_.req.submit(std::make_shared<WriteJob>(*this, JobKind::OptionListWrite,
                                                    numbers.mid(0, n), values.mid(0, n)));
}

bool SonderOptions::reset(int what)
{
    return s_.req.submit(std::make_shared<MessageJob>(JobKind::Reset,
                                                      ln::PeerMessage::stationCommand(ln::cmd::Reset, {what & 0xFF})));
}

void SonderOptions::rx_value(const ln::Msg& m)
{
    // Only the answer for the option asked for: other devices read options too.
    const ln::PeerMessage p(m);
    if (p.station() && reading_)
        reading_->answer(p.data(0) | (p.data(1) & 0x03) << 8, p.data(2));
}
