#include "lncv.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/number_text.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "requests/engine.h"

#include <cmath>

namespace {
const QString kKeineAntwortLesen = QStringLiteral("Keine Antwort auf LNCV-Lesen erhalten!");
const QString kKeineAntwortSchreiben = QStringLiteral("Keine Antwort auf LNCV-Schreiben erhalten!");
const QString kFehlerhaft = QStringLiteral("LNCV-Schreiben: fehlerhaft");
const QString kNichtVorhanden = QStringLiteral("LNCV-Schreiben: LNCV nicht vorhanden");
const QString kSchreibgeschuetzt = QStringLiteral("LNCV-Schreiben: LNCV schreibgeschützt");
const QString kWertUngueltig = QStringLiteral("LNCV-Schreiben: Wert nicht gültig");
const QString kArtikelnummer =
    QStringLiteral("Bitte eine Artikelnummer von 0 bis 655354 eingeben!");
const QString kModulAdresse = QStringLiteral("Bitte eine Modul Adresse von 0 bis 65535 eingeben!");
const QString kLncvNummer = QStringLiteral("Bitte eine LNCV-Nummer von 0 bis 65535 eingeben!");
const QString kLncvWert = QStringLiteral("Bitte einen LNCV-Wert von 0 bis 65535 eingeben!");
const QString kWhat = QStringLiteral("die LNCV-Programmierung");

constexpr int CmdWrite = 0x20; // 32
constexpr int CmdRead = 0x21;  // 33: start, read and end
constexpr int AnswerCmd = 0x1F;
constexpr int Sig0 = 0x05, Sig1 = 0x00;

enum Step { Send = 0, Await = 1 };

// What the module's acknowledge code says about a write; empty when written.
QString write_refusal(int code)
{
    switch (code) {
    case 0: return kFehlerhaft;
    case 1: return kNichtVorhanden;
    case 2: return kSchreibgeschuetzt;
    case 3: return kWertUngueltig;
    default: return {};
    }
}
} // namespace

int lncv_article(double artNr)
{
    const double whole = std::floor(artNr);
    const double rest = artNr - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0))
        return int(whole) + 1;
    return int(whole);
}

LncvProg::LncvProg(const Services& s) : s_(s)
{
    s.dispatch.onPeer(AnswerCmd, [this](const ln::Msg& m) { rx_answer(m); });
    // A module's answer counts only while its job waits; cut off, a job
    // would leave the window not knowing whether the module took it.
    const auto job = [this](ReqEngine::Job step) {
        return ReqEngine::JobDef{std::move(step), [this](ReqEngine::End) { awaiting_ = false; },
                                 [] { return true; }, kWhat};
    };
    s.req.registerJob(Start, job([this] { return lncv_read(FlagStart); }));
    s.req.registerJob(End, job([this] { return lncv_read(FlagEnd); }));
    s.req.registerJob(Read, job([this] { return lncv_read(FlagNone); }));
    s.req.registerJob(Write, job([this] { return lncv_write(); }));
}

void LncvProg::window_loaded()
{
    LncvNr = 0;
    LncvVal = 0;
}

QString LncvProg::article_text() const
{
    return LncvArtNr != 0 ? QString::number(LncvArtNr * 10, 'f', 0) : QString();
}

bool LncvProg::take(const QString& text, int max, const QString& refusal, int& to)
{
    const auto n = number_in(text, 0, max);
    if (!n) {
        s_.msgs.show(titles::Fehler, refusal, MsgIcon::Warning);
        return false;
    }
    to = *n;
    return true;
}

bool LncvProg::take_article(const QString& artText, double& to)
{
    int art = 0;
    if (!take(artText, MaxArticle, kArtikelnummer, art))
        return false;
    to = art / 10.0;
    return true;
}

bool LncvProg::start(const QString& artText, const QString& modText)
{
    int mod = 0;
    double art = 0;
    if (!s_.req.allowed() || !take(modText, MaxField, kModulAdresse, mod) ||
        !take_article(artText, art))
        return false;
    LncvArtNr = art;
    LncvModAdr = mod;
    LncvNr = 0;
    LncvVal = mod; // LNCV 0 holds the module address
    s_.req.post(Start);
    return true;
}

bool LncvProg::end()
{
    if (!s_.req.allowed())
        return false;
    s_.req.post(End);
    return true;
}

bool LncvProg::read(const QString& artText, const QString& nrText)
{
    int nr = 0;
    double art = 0;
    if (!s_.req.allowed() || !take(nrText, MaxField, kLncvNummer, nr) ||
        !take_article(artText, art))
        return false;
    LncvArtNr = art;
    LncvNr = nr;
    s_.req.post(Read);
    return true;
}

bool LncvProg::write(const QString& artText, const QString& nrText, const QString& valText)
{
    int nr = 0, val = 0;
    double art = 0;
    if (!s_.req.allowed() || !take(nrText, MaxField, kLncvNummer, nr) ||
        !take(valText, MaxField, kLncvWert, val) || !take_article(artText, art))
        return false;
    LncvArtNr = art;
    LncvNr = nr;
    LncvVal = val;
    // LNCV 0 is the module address: the module is found under the new one
    // from now on, also when the window is opened again.
    if (nr == 0)
        LncvModAdr = val;
    s_.req.post(Write);
    return true;
}

void LncvProg::write_lncv(int article, int lncv, int value)
{
    LncvArtNr = article;
    LncvNr = lncv;
    LncvVal = value;
    s_.req.post(Write);
}

void LncvProg::put_request(int command, int flags)
{
    const int art = lncv_article(LncvArtNr) & 0xFFFF;
    const int nr = LncvNr & 0xFFFF;
    const int val = LncvVal & 0xFFFF; // -1 goes as FF FF
    s_.link.put_command(command,
                        {art & 0xFF, art >> 8, nr & 0xFF, nr >> 8, val & 0xFF, val >> 8, flags},
                        Sig0, Sig1);
    sentArticle_ = art;
    sentNr_ = nr;
    s_.req.ReqTime = s_.clock.now();
    s_.req.ReqStep = Await;
}

bool LncvProg::lncv_read(int flags)
{
    if (s_.req.ReqStep == Send) {
        put_request(CmdRead, flags);
        LncvVal = -1;
        awaiting_ = flags != FlagEnd; // the end of programming mode is not answered
        return !awaiting_;
    }
    if (s_.clock.now() - s_.req.ReqTime > ReadTimeout) {
        fail(kKeineAntwortLesen);
        return true;
    }
    if (awaiting_)
        return false;
    emit answer_shown(LncvNr, LncvVal);
    if (flags == FlagStart) {
        LncvModAdr = LncvVal; // the module found, also when the window opens again
        emit programming_started(LncvVal);
    }
    return true;
}

bool LncvProg::lncv_write()
{
    if (s_.req.ReqStep == Send) {
        put_request(CmdWrite, FlagNone);
        s_.dispatch.LackCode = -1;
        return false;
    }
    if (s_.clock.now() - s_.req.ReqTime > WriteTimeout) {
        fail(kKeineAntwortSchreiben);
        return true;
    }
    if (s_.dispatch.LackCode == -1)
        return false;
    const QString refusal = write_refusal(s_.dispatch.LackCode);
    if (!refusal.isEmpty())
        fail(refusal);
    return true;
}

void LncvProg::rx_answer(const ln::Msg& m)
{
    const int art = m[7] + 256 * m[8];
    const int nr = m[9] + 256 * m[10];
    const int val = m[11] + 256 * m[12];
    LncvArtAns = art;
    // Modules and throttle devices answer on their own too: only an answer
    // of the article asked, for the LNCV asked, ends the running start or
    // read. A start takes any module address: a user looking for a module
    // whose address he does not know learns it from the answer.
    if (!awaiting_ || art != sentArticle_ || nr != sentNr_)
        return;
    awaiting_ = false;
    LncvNr = nr;
    LncvVal = val;
}

void LncvProg::fail(const QString& text)
{
    s_.msgs.show(titles::Fehler, text, MsgIcon::Critical);
}
