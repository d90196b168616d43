#include "lncv.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/number_text.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "loconet/views.h"

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
const QString kLncvLesen = QStringLiteral("Fehler: LNCV lesen");

} // namespace

QString lncv_write_refusal(int code)
{
    switch (code) {
    case 0: return kFehlerhaft;
    case 1: return kNichtVorhanden;
    case 2: return kSchreibgeschuetzt;
    case 3: return kWertUngueltig;
    default: return {};
    }
}

QString lncv_no_answer(bool write)
{
    return write ? kKeineAntwortSchreiben : kKeineAntwortLesen;
}

int lncv_article(double artNr)
{
    const double whole = std::floor(artNr);
    const double rest = artNr - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0))
        return int(whole) + 1;
    return int(whole);
}

// One LNCV request: start, end, read (command 33 with its flag) or write
// (command 32). What it asked is its own, so that only the answer of that
// article for that LNCV counts, and only while it waits.
class LncvProg::LncvJob : public Job {
  public:
    LncvJob(LncvProg& owner, JobKind kind, int article, int nr, int value)
        : Job(kind), o_(owner), art_(article & 0xFFFF), nr_(nr & 0xFFFF), val_(value & 0xFFFF)
    {
    }
    void answer(int art, int nr, int val)
    {
        if (Step != 1 || art != art_ || nr != nr_)
            return;
        answered_ = true;
        val_ = val;
    }

  protected:
    bool step() override
    {
        const bool write = kind() == JobKind::LncvWrite;
        if (Step == 0) {
            using K = ln::LncvMessage::Kind;
            const K k = write                           ? K::Write
                        : kind() == JobKind::LncvStart ? K::Start
                        : kind() == JobKind::LncvEnd   ? K::End
                                                       : K::Read;
            send(ln::LncvMessage::request(k, art_, nr_, val_));
            Step = 1;
            wait(write ? WriteTimeout : ReadTimeout);
            if (!write) {
                o_.LncvVal = -1; // awaited; the end of programming mode is not answered
                if (kind() != JobKind::LncvEnd)
                    o_.awaiting_ = this;
            }
            return false;
        }
        if (kind() == JobKind::LncvEnd)
            return true;
        if (write ? ack_ != -1 : answered_ || refused_)
            return done(write);
        if (!expired())
            return false;
        o_.fail(lncv_no_answer(write));
        return finish(End::TimedOut);
    }
    void acked(int code) override
    {
        if (kind() == JobKind::LncvWrite) {
            ack_ = code;
            return;
        }
        // A read is answered by a peer message, never acknowledged.
        o_.s_.msgs.show(titles::LocoNetFehler, kLncvLesen, MsgIcon::Critical);
        refused_ = true;
    }
    void ending(End) override
    {
        if (o_.awaiting_ == this)
            o_.awaiting_ = nullptr;
    }

  private:
    bool done(bool write)
    {
        if (write) {
            const QString refusal = lncv_write_refusal(ack_);
            if (!refusal.isEmpty())
                o_.fail(refusal);
            return true;
        }
        if (refused_)
            return true;
        o_.LncvNr = nr_;
        o_.LncvVal = val_;
        emit o_.answer_shown(nr_, val_);
        if (kind() == JobKind::LncvStart) {
            o_.LncvModAdr = val_; // the module found, also when the window opens again
            emit o_.programming_started(val_);
        }
        return true;
    }
    LncvProg& o_;
    const int art_, nr_;
    int val_;
    int ack_ = -1;
    bool answered_ = false, refused_ = false;
};

LncvProg::LncvProg(const Services& s) : s_(s)
{
    s.dispatch.onPeer(ln::cmd::LncvAnswer, [this](const ln::Msg& m) { rx_answer(m); });
    for (const JobKind k : {JobKind::LncvStart, JobKind::LncvEnd, JobKind::LncvRead, JobKind::LncvWrite})
        s.req.declare(k);
}

bool LncvProg::submit(JobKind kind, int article, int nr, int value)
{
    return s_.req.submit(std::make_shared<LncvJob>(*this, kind, article, nr, value));
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
    if (!s_.req.admit(JobKind::LncvStart) || !take(modText, MaxField, kModulAdresse, mod) ||
        !take_article(artText, art))
        return false;
    LncvArtNr = art;
    LncvModAdr = mod;
    LncvNr = 0;
    // LNCV 0 holds the module address.
    return submit(JobKind::LncvStart, lncv_article(art), 0, mod);
}

bool LncvProg::end()
{
    return submit(JobKind::LncvEnd, lncv_article(LncvArtNr), LncvNr, LncvVal);
}

bool LncvProg::read(const QString& artText, const QString& nrText)
{
    int nr = 0;
    double art = 0;
    if (!s_.req.admit(JobKind::LncvRead) || !take(nrText, MaxField, kLncvNummer, nr) ||
        !take_article(artText, art))
        return false;
    LncvArtNr = art;
    LncvNr = nr;
    // The value field carries the last value, -1 (FF FF) after a read left unanswered.
    return submit(JobKind::LncvRead, lncv_article(art), nr, LncvVal);
}

bool LncvProg::write(const QString& artText, const QString& nrText, const QString& valText)
{
    int nr = 0, val = 0;
    double art = 0;
    if (!s_.req.admit(JobKind::LncvWrite) || !take(nrText, MaxField, kLncvNummer, nr) ||
        !take(valText, MaxField, kLncvWert, val) || !take_article(artText, art))
        return false;
    if (!submit(JobKind::LncvWrite, lncv_article(art), nr, val))
        return false;
    LncvArtNr = art;
    LncvNr = nr;
    LncvVal = val;
    // LNCV 0 is the module address: the module is found under the new one
    // from now on, also when the window is opened again.
    if (nr == 0)
        LncvModAdr = val;
    return true;
}

bool LncvProg::write_lncv(int article, int lncv, int value)
{
    return submit(JobKind::LncvWrite, article, lncv, value);
}

void LncvProg::rx_answer(const ln::Msg& m)
{
    // Modules and throttle devices answer on their own too: only an answer
    // of the article asked, for the LNCV asked, ends the running start or
    // read. A start takes any module address: a user looking for a module
    // whose address he does not know learns it from the answer.
    if (awaiting_)
        if (const ln::LncvMessage a(m); ln::LncvMessage::is(m))
            awaiting_->answer(a.article(), a.lncv(), a.value());
}

void LncvProg::fail(const QString& text)
{
    s_.msgs.show(titles::Fehler, text, MsgIcon::Critical);
}
