#include "sonder_options.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/number_text.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "requests/engine.h"

namespace {
const QString kKeineAntwort = QStringLiteral("Keine Antwort auf SO-Read erhalten!");
const QString kNichtGesendet = QStringLiteral("SO-Write Konnte nicht gesendet werden!");
const QString kNummerUngueltig =
    QStringLiteral("Bitte die Nummer der Sonderoption eingeben (0 bis 1023)!");
const QString kWertUngueltig = QStringLiteral("Bitte einen Wert von 0 bis 255 eingeben!");
const QString kSchreibenSO = QStringLiteral("das Schreiben der Sonderoptionen");
const QString kSchreibenGrund = QStringLiteral("das Schreiben der Grundeinstellungen");

enum Job { ReadOne = 41, WriteOne = 42, ReadList = 43, WriteList = 44 };
enum Command { WriteCmd = 1, ReadCmd = 2 };
constexpr int AckOk = 0x7F;
constexpr uint8_t ValueAnswer = 0x00; // command byte of the peer message with a value
} // namespace

SonderOptions::SonderOptions(const Services& s) : s_(s)
{
    s.req.registerJob(ReadOne, [this] { return so_read(); });
    s.req.registerJob(ReadList, [this] { return so_read_list(); });
    // A write cut off halfway would leave the station with part of the settings.
    const auto always = [] { return true; };
    s.req.registerJob(WriteOne, {[this] { return so_write(); }, {}, always, kSchreibenSO});
    s.req.registerJob(WriteList, {[this] { return so_write_list(); }, {}, always, kSchreibenGrund});
    s.dispatch.onPeer(ValueAnswer, [this](const ln::Msg& m) { rx_value(m); });
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
    if (!s_.req.allowed())
        return false;
    SONumber = *number;
    s_.req.post(ReadOne);
    return true;
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
    if (!s_.req.allowed())
        return false;
    SONumber = *number;
    SOValue = *value;
    s_.req.post(WriteOne);
    return true;
}

void SonderOptions::set_list(const QList<int>& numbers)
{
    SOLast = int(std::min<qsizetype>(numbers.size(), ListSize)) - 1;
    for (int i = 0; i <= SOLast; ++i)
        SOList[size_t(i)] = numbers[i];
    SOIndex = 0;
}

bool SonderOptions::read_list(const QList<int>& numbers)
{
    if (numbers.isEmpty() || s_.req.refusal() != ReqEngine::Refusal::None)
        return false;
    set_list(numbers);
    s_.req.post(ReadList);
    return true;
}

bool SonderOptions::reading_list() const
{
    return s_.req.ReqJob == ReadList;
}

bool SonderOptions::write_list(const QList<int>& numbers, const QList<int>& values)
{
    if (numbers.isEmpty() || values.size() < numbers.size() || !s_.req.allowed())
        return false;
    set_list(numbers);
    for (int i = 0; i <= SOLast; ++i)
        SOValues[size_t(i)] = values[i];
    s_.req.post(WriteList);
    return true;
}

bool SonderOptions::put_option(int cmd, int number, int value)
{
    // Bits 8 and 9 of the number in byte 8; bit 7 of number and value
    // travel in the high-bit byte.
    return s_.link.put_command(cmd, {number & 0xFF, (number & 0x300) >> 8, value & 0xFF});
}

void SonderOptions::send_read(int number)
{
    put_option(ReadCmd, number, 0);
    awaited_ = number & MaxNumber;
    SOValue = -1;
    s_.dispatch.LackCode = -1;
    s_.req.ReqTime = s_.clock.now();
    s_.req.ReqStep = 1;
}

SonderOptions::Wait SonderOptions::await_value()
{
    const int ack = s_.dispatch.LackCode;
    if (ack != -1 && ack != AckOk) {
        // Refused: the acknowledge has been reported; no time-out box follows.
        awaited_ = -1;
        return Wait::Failed;
    }
    if (SOValue != -1) {
        awaited_ = -1;
        return Wait::Arrived;
    }
    if (s_.clock.now() - s_.req.ReqTime > AnswerTimeout) {
        awaited_ = -1;
        s_.msgs.show(titles::Fehler, kKeineAntwort, MsgIcon::Critical);
        return Wait::Failed;
    }
    return Wait::Waiting;
}

void SonderOptions::rx_value(const ln::Msg& m)
{
    // Only the answer for the option asked for: other devices read options too.
    if (!has_signature(m) || awaited_ < 0 || SOValue != -1)
        return;
    if ((m[7] | (m[8] & 0x03) << 8) == awaited_)
        SOValue = m[9];
}

bool SonderOptions::so_read()
{
    if (s_.req.ReqStep == 0) {
        send_read(SONumber);
        return false;
    }
    switch (await_value()) {
    case Wait::Waiting: return false;
    case Wait::Arrived: emit option_read(SONumber, SOValue); return true;
    case Wait::Failed: return true;
    }
    return true;
}

bool SonderOptions::so_write()
{
    return put_option(WriteCmd, SONumber, SOValue);
}

bool SonderOptions::so_read_list()
{
    if (s_.req.ReqStep == 0) {
        send_read(SOList[size_t(SOIndex)]);
        return false;
    }
    switch (await_value()) {
    case Wait::Waiting: return false;
    case Wait::Failed: return true; // the window keeps what it showed
    case Wait::Arrived: break;
    }
    SOValues[size_t(SOIndex)] = SOValue;
    if (SOIndex >= SOLast) {
        emit list_read();
        return true;
    }
    ++SOIndex;
    s_.req.ReqStep = 0;
    return false;
}

bool SonderOptions::so_write_list()
{
    if (s_.req.ReqStep == 0) {
        put_option(WriteCmd, SOList[size_t(SOIndex)], SOValues[size_t(SOIndex)]);
        s_.req.ReqTime = s_.clock.now();
        s_.req.ReqStep = 1;
        return false;
    }
    // Steps run only once the buffer is free again: in time, the write was
    // echoed; late, only the link's own time-out freed it.
    if (s_.clock.now() - s_.req.ReqTime > AnswerTimeout) {
        s_.msgs.show(titles::Fehler, kNichtGesendet, MsgIcon::Critical);
        return true;
    }
    if (SOIndex >= SOLast)
        return true;
    ++SOIndex;
    s_.req.ReqStep = 0;
    return false;
}
