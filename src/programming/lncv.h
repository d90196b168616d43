#pragma once
// LNCV programming of LocoNet modules: start and end a module's programming
// mode, read and write single LNCVs (jobs 61..64). The window starts the
// jobs here and follows the signals; the module's answers come as peer
// messages (start, read) or as a long acknowledge (write).

#include "core/services.h"

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

    enum Job { Start = 61, End = 62, Read = 63, Write = 64 };
    enum Flag { FlagStart = 0x80, FlagEnd = 0x40, FlagNone = 0x00 };
    static constexpr double ReadTimeout = 1.0;
    static constexpr double WriteTimeout = 2.0;
    // The article field and the LNCVs are 16 bits wide.
    static constexpr int MaxArticle = 655354; // / 10 still rounds to 65535
    static constexpr int MaxField = 65535;

    double LncvArtNr = 0; // catalogue number / 10, unrounded so it shows again as typed
    int LncvModAdr = 0;
    int LncvNr = 0;
    int LncvVal = 0; // -1 while an answer is awaited
    int LncvArtAns = 0;

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
    // loco address), without the window.
    void write_lncv(int article, int lncv, int value);

    // The catalogue number the window shows again; empty while none was typed.
    QString article_text() const;

  signals:
    // The answer to a start or read, for LNCV_NR_TXT and LNCV_VAL_TXT.
    void answer_shown(int lncv, int value);
    // The module answered the start: it is in programming mode now.
    void programming_started(int moduleAddress);

  private:
    bool take_article(const QString& artText, double& to);
    bool take(const QString& text, int max, const QString& refusal, int& to);
    void put_request(int command, int flags);
    bool lncv_read(int flags);
    bool lncv_write();
    void rx_answer(const ln::Msg& m);
    void fail(const QString& text);

    Services s_;
    // What the running start or read asked, so that only an answer of that
    // article for that LNCV counts, and only while it waits.
    int sentArticle_ = 0, sentNr_ = 0;
    bool awaiting_ = false;
};
