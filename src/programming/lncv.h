#pragma once
// LNCV programming of LocoNet modules: start and end a module's programming
// mode, read and write single LNCVs. The window starts the jobs here and
// follows the signals; the module's answers come as peer messages (start,
// read) or as a long acknowledge (write).

#include "core/services.h"
#include "requests/engine.h"

#include <QObject>
#include <QString>

namespace ln {
class Msg;
}

// The article field of a catalogue number / 10 as sent: a half goes to the
// even neighbour (1234.5 -> 1234, 1235.5 -> 1236).
int lncv_article(double artNr);

class LncvProg : public QObject {
    Q_OBJECT
  public:
    explicit LncvProg(const Services& s);

    static constexpr double ReadTimeout = 1.0;
    static constexpr double WriteTimeout = 2.0;
    // The article field and the LNCVs are 16 bits wide.
    static constexpr int MaxArticle = 655354; // / 10 still rounds to 65535
    static constexpr int MaxField = 65535;

    double LncvArtNr = 0; // catalogue number / 10, unrounded so it shows again as typed
    int LncvModAdr = 0;
    int LncvNr = 0;
    int LncvVal = 0;

    // The window was opened afresh: number and value start at 0.
    void window_loaded();
    // Button handlers, given the fields' texts. Each refuses (false, with
    // one message) while disconnected, while a job runs that must not be
    // cut off, or a text that is no number in range; nothing is sent or
    // changed then. Any module of the article asked may answer a start:
    // its address is the one found.
    bool start(const QString& artText, const QString& modText);
    bool end();
    bool read(const QString& artText, const QString& nrText);
    bool write(const QString& artText, const QString& nrText, const QString& valText);
    // A write to a device whose article field is known (a throttle device's
    // loco address), without the window; asked like the window's.
    bool write_lncv(int article, int lncv, int value);

    // The catalogue number the window shows again; empty while none was typed.
    QString article_text() const;

  signals:
    // The answer to a start or read, for LNCV_NR_TXT and LNCV_VAL_TXT.
    void answer_shown(int lncv, int value);
    // The module answered the start: it is in programming mode now.
    void programming_started(int moduleAddress);

  private:
    class LncvJob;
    bool take_article(const QString& artText, double& to);
    bool take(const QString& text, int max, const QString& refusal, int& to);
    bool submit(JobKind kind, int article, int nr, int value);
    void rx_answer(const ln::Msg& m);
    void fail(const QString& text);

    Services s_;
    // The start or read waiting for its answer.
    LncvJob* awaiting_ = nullptr;
};
