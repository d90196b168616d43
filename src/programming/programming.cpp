#include "programming.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/number_text.h"
#include "cv_table.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "requests/engine.h"

#include <QDateTime>
#include <QLocale>

namespace {
const QString kEnter = QStringLiteral("E5 07 01 5A 56 41");
const QString kLeave = QStringLiteral("E5 07 01 5A 56 40");

const QString kLeseCv = QStringLiteral(" Lese CV ");
const QString kSchreibeCv = QStringLiteral(" Schreibe CV ");
const QString kLesenBeendet = QStringLiteral(" Lesevorgang beendet ");
const QString kSchreibenBeendet = QStringLiteral(" Schreibvorgang beendet ");
const QString kAbbruch = QStringLiteral("Abbruch");
const QString kKeineAntwortLesen = QStringLiteral("Keine Antwort auf CV-Lesen erhalten!");
const QString kKeineAntwortSchreiben = QStringLiteral("Keine Antwort auf CV-Schreiben erhalten!");
const QString kCvNichtVorhanden = QStringLiteral("Programmiergleis: CV nicht vorhanden");
const QString kSchreibfehler = QStringLiteral("Programmiergleis: Schreibfehler");
const QString kKurzschluss = QStringLiteral("Programmiergleis: Kurzschluss");
const QString kKeineLok = QStringLiteral("Programmiergleis: keine Lok");
const QString kUnbekannterFehler = QStringLiteral("Programmiergleis: unbekannter Fehler");
const QString kCvNummer = QStringLiteral("Bitte eine CV-Nummer von 1 bis 1023 eingeben.");
const QString kWertUngueltig = QStringLiteral("CV %1: ungültiger Wert \"%2\" (erlaubt: 0 bis %3)");
const QString kUnbekannt = QStringLiteral("-");
const QString kHinweis = QStringLiteral("Hinweis");
const QString kKennlinie =
    QStringLiteral("Damit die Kennline aktiviert wird, muss Bit 4 in CV 29 auf 1 gesetzen werden!");

enum Step { Enter = 0, AwaitEnter = 1, Request = 2, AwaitAnswer = 3 };

QString invalid_value(int cv, const QString& text, int max)
{
    return kWertUngueltig.arg(QString::number(cv), text, QString::number(max));
}

// A field left at "-" or empty means "leave this CV as it is".
bool unset(const QString& text)
{
    return text.isEmpty() || text == kUnbekannt;
}
} // namespace

QString cv_text(int v)
{
    return v == CvUnknown ? kUnbekannt : QString::number(v);
}

ProgError prog_error(int answer, ProgColumn column)
{
    QString box = kUnbekannterFehler;
    switch (answer) {
    case 1002:
        if (column == ProgColumn::Read)
            box = kCvNichtVorhanden;
        else if (column == ProgColumn::SingleWrite)
            box = kSchreibfehler;
        break;
    case 1003: box = kKurzschluss; break;
    case 1004: box = kKeineLok; break;
    default: break;
    }
    return {QLatin1Char(' ') + box, box};
}

Programming::Programming(const Services& s) : s_(s)
{
    CvValue.fill(CvUnknown);
    HerstellerName[CvUnknown] = kUnbekannt;
    s.dispatch.on(0xE7, [this](const ln::Msg& m) { rx_programmer(m); });
    for (int job : {ReadList, WriteList, ReadOne, WriteOne})
        s.req.registerJob(job, [this, job] { return step(job); });
    // A job of another window that replaces ours must not leave the
    // programming buttons locked for good.
    connect(&s.req, &ReqEngine::lock_ui, this, [this](bool busy) {
        if (!busy && active_) {
            active_ = false;
            set_prog_buttons(true);
        }
    });
}

void Programming::set_value(int cv, int v)
{
    if (cv >= 0 && cv <= CvMax && v >= 0 && v <= CvUnknown)
        CvValue[size_t(cv)] = v;
}

void Programming::forget_values()
{
    CvValue.fill(CvUnknown);
}

void Programming::dcc_init()
{
    const int standard[] = {1, 2, 3, 4, 5, 6, 7, 8, 17, 18, 29};
    for (int i = 0; i < 11; ++i)
        CvList[StdList][size_t(i)] = standard[i];
    CvListLast[StdList] = 10;
    HerstellerName[CvUnknown] = kUnbekannt;
    if (HerstellerName[1].isEmpty())
        load_manufacturers();
    for (int i = 0; i < 28; ++i)
        CvList[SpeedList][size_t(i)] = 67 + i;
    CvListLast[SpeedList] = 27;
    CvFileName.clear();
    forget_values();
}

// --- starting jobs --------------------------------------------------------

bool Programming::start(int job, int list)
{
    if (active_)
        return false; // the track is in the middle of another transaction
    CvListNr = list;
    CvListPos = 0;
    active_ = true;
    s_.req.post(job);
    set_prog_buttons(false);
    return true;
}

bool Programming::read_one(const QString& cvText)
{
    if (active_)
        return false;
    const auto cv = number_in(cvText, 1, 1023);
    if (!cv) {
        fail(kCvNummer);
        return false;
    }
    ProgCv = *cv;
    return start(ReadOne);
}

bool Programming::write_one(const QString& cvText, const QString& valueText)
{
    if (active_)
        return false;
    const auto cv = number_in(cvText, 1, 1023);
    const auto v = number_in(valueText, 0, 255);
    if (!cv || !v) {
        fail(!cv ? kCvNummer : invalid_value(*cv, valueText, 255));
        return false;
    }
    ProgCv = *cv;
    ProgAnswer = *v;
    return start(WriteOne);
}

bool Programming::read_list(int list)
{
    if (list < 0 || list > 3 || CvListLast[size_t(list)] < 0)
        return false;
    return start(ReadList, list);
}

bool Programming::write_list(int list)
{
    if (list < 0 || list > 3 || CvListLast[size_t(list)] < 0)
        return false;
    return start(WriteList, list);
}

bool Programming::write_std(const std::array<QString, 7>& cvTxt, bool longAddress,
                            std::optional<int> cv29)
{
    if (active_)
        return false;
    std::array<std::optional<int>, 7> v{};
    for (int i = 1; i <= 6; ++i) {
        const QString& text = cvTxt[size_t(i)];
        const int max = i == 1 && longAddress ? 10239 : 255;
        v[size_t(i)] = number_in(text, 0, max);
        if (!unset(text) && !v[size_t(i)]) {
            fail(invalid_value(i, text, max));
            return false;
        }
    }
    if (v[1] && longAddress) {
        // CV 1 keeps its last known value: the long address lives in 17/18.
        set_value(18, *v[1] & 255);
        set_value(17, ((*v[1] / 256) & 63) + 192);
    } else if (v[1]) {
        set_value(1, *v[1]);
    }
    for (int i = 2; i <= 6; ++i)
        if (v[size_t(i)])
            set_value(i, *v[size_t(i)]);
    if (cv29)
        set_value(29, *cv29 & 0xFF);
    emit show_cv_list();
    return write_list(StdList);
}

bool Programming::fill_user_list(const CvTable& table, bool withValues)
{
    const QList<CvTable::Entry> entries = table.user_list();
    if (withValues)
        for (const CvTable::Entry& e : entries)
            if (e.value > 255) {
                fail(invalid_value(e.cv, QString::number(e.value), 255));
                return false;
            }
    // Rows showing "-" or nothing keep their CV's value; unknown ones are not written.
    int n = 0;
    for (const CvTable::Entry& e : entries) {
        if (n >= ListSize)
            break;
        CvList[UserList][size_t(n++)] = e.cv;
        if (withValues && e.value >= 0)
            set_value(e.cv, e.value);
    }
    CvListLast[UserList] = n - 1;
    return n > 0;
}

bool Programming::read_user_list(const CvTable& table)
{
    return !active_ && fill_user_list(table, false) && read_list(UserList);
}

bool Programming::write_user_list(const CvTable& table)
{
    return !active_ && fill_user_list(table, true) && write_list(UserList);
}

bool Programming::read_rc_data()
{
    if (active_)
        return false;
    for (int i = 0; i < 12; ++i)
        CvList[RcDataList][size_t(i)] = 261 + i;
    CvListLast[RcDataList] = 11;
    return read_list(RcDataList);
}

bool Programming::read_speed_table()
{
    SpeedShowPoints = true;
    return read_list(SpeedList);
}

bool Programming::write_speed_table()
{
    if (active_)
        return false;
    s_.msgs.show(kHinweis, kKennlinie, MsgIcon::Information);
    return write_list(SpeedList);
}

void Programming::set_prog_buttons(bool enable)
{
    if (!enable)
        ProgAbort = false;
    emit prog_buttons(enable);
}

void Programming::release_buttons()
{
    if (!active_)
        set_prog_buttons(true);
}

// --- the job steps ----------------------------------------------------------

bool Programming::step(int job)
{
    const bool write = job == WriteList || job == WriteOne;
    const bool list = job == ReadList || job == WriteList;
    switch (s_.req.ReqStep) {
    case Enter:
        s_.link.hex_to_tx(kEnter);
        s_.req.ReqStep = AwaitEnter;
        return false;
    case AwaitEnter:
        if (s_.link.txFree())
            s_.req.ReqStep = Request;
        return false;
    case Request: {
        if (list && write)
            CvListPos = next_write(CvListPos);
        if (list && CvListPos > CvListLast[size_t(CvListNr)]) {
            status(write ? kSchreibenBeendet : kLesenBeendet);
            return finish_list();
        }
        const int cv = list ? CvList[size_t(CvListNr)][size_t(CvListPos)] : ProgCv;
        status((write ? kSchreibeCv : kLeseCv) + QString::number(cv));
        int v = 0;
        if (write) {
            v = list ? value(cv) : ProgAnswer;
            ProgWrSave = v;
        }
        put_request(write, cv, v);
        s_.req.ReqStep = AwaitAnswer;
        s_.req.ReqTime = s_.clock.now();
        ProgAnswer = write ? WriteAwaited : ReadAwaited;
        return false;
    }
    case AwaitAnswer: return list ? await_list(write) : await_one(write);
    default: return true;
    }
}

void Programming::put_request(bool write, int cv, int v)
{
    Link& l = s_.link;
    l.LnTx.fill(0);
    const int bytes[] = {0xED,
                         0x1F,
                         0x01,
                         0x5A,
                         0x56,
                         0x71 | (cv & 0x80 ? 0x02 : 0) | (write && (v & 0x80) ? 0x08 : 0),
                         write ? 0x71 : 0x72,
                         cv & 0x7F,
                         (cv / 256) & 0x7F,
                         write ? v & 0x7F : 0,
                         0x70};
    for (size_t i = 0; i < std::size(bytes); ++i)
        l.LnTx[i] = uint8_t(bytes[i]);
    l.LnTx[15] = 0x10;
    l.LnTxLast = 29;
}

bool Programming::await_list(bool write)
{
    if (ProgAbort) {
        ProgAbort = false;
        status(kAbbruch);
        return finish_list();
    }
    if (s_.clock.now() - s_.req.ReqTime > AnswerTimeout) {
        s_.msgs.show(titles::Fehler, write ? kKeineAntwortSchreiben : kKeineAntwortLesen);
        return finish_list();
    }
    if (ProgAnswer == (write ? WriteAwaited : ReadAwaited))
        return false;
    const bool ok = write ? ProgAnswer == Written : ProgAnswer >= 0 && ProgAnswer <= 255;
    if (!ok) {
        fail(prog_error(ProgAnswer, write ? ProgColumn::ListWrite : ProgColumn::Read).box);
        return finish_list();
    }
    if (!write)
        set_value(CvList[size_t(CvListNr)][size_t(CvListPos)], ProgAnswer);
    // The next CV follows without leaving programming mode; the request
    // step ends the job after the last one.
    ++CvListPos;
    s_.req.ReqStep = Request;
    return false;
}

int Programming::next_write(int pos) const
{
    const auto& list = CvList[size_t(CvListNr)];
    for (; pos <= CvListLast[size_t(CvListNr)]; ++pos) {
        const int cv = list[size_t(pos)];
        // CV 7 and 8 are read-only in a decoder (version, manufacturer);
        // only a list that starts with one writes it (a reset via CV 8).
        if (value(cv) != CvUnknown && (pos == 0 || (cv != 7 && cv != 8)))
            break;
    }
    return pos;
}

bool Programming::await_one(bool write)
{
    if (s_.clock.now() - s_.req.ReqTime > AnswerTimeout) {
        s_.msgs.show(titles::Fehler, write ? kKeineAntwortSchreiben : kKeineAntwortLesen);
        return finish_one();
    }
    if (ProgAnswer == (write ? WriteAwaited : ReadAwaited))
        return false;
    if (write && ProgAnswer == Written) {
        status(kSchreibenBeendet);
        set_value(ProgCv, ProgWrSave);
        emit show_std_cvs();
        emit show_cv_list();
    } else if (!write && ProgAnswer >= 0 && ProgAnswer <= 255) {
        status(kLesenBeendet);
        emit single_value_shown(QString::number(ProgAnswer));
        set_value(ProgCv, ProgAnswer);
        emit show_std_cvs();
        emit show_cv_list();
    } else {
        fail(prog_error(ProgAnswer, write ? ProgColumn::SingleWrite : ProgColumn::Read).box);
        if (!write) // "-": the CV is missing or the track shorted; "_": no answer from a loco
            emit single_value_shown(ProgAnswer == 1002 || ProgAnswer == 1003 ? QStringLiteral("-")
                                                                             : QStringLiteral("_"));
    }
    return finish_one();
}

bool Programming::finish_list()
{
    leave();
    cv_list_done();
    return true;
}

bool Programming::finish_one()
{
    leave();
    active_ = false;
    set_prog_buttons(true);
    return true;
}

void Programming::leave()
{
    s_.link.hex_to_tx(kLeave);
}

void Programming::status(const QString& text)
{
    DCCProgStat = text;
    emit status_shown(text);
}

void Programming::fail(const QString& text)
{
    if (active_) // a job's failure also shows in the status line
        status(QLatin1Char(' ') + text);
    s_.msgs.show(titles::Fehler, text, MsgIcon::Critical);
}

void Programming::cv_list_done()
{
    active_ = false;
    if (CvListNr == StdList)
        emit show_std_cvs();
    emit show_cv_list();
    if (CvListNr == SpeedList)
        emit speed_curve_done();
    if (CvListNr == RcDataList)
        emit rc_data_shown(rc_data_text());
    set_prog_buttons(true);
}

// --- the programmer's reply -------------------------------------------------

void Programming::rx_programmer(const ln::Msg& m)
{
    if (m[1] != 0x0E || m[2] != 124)
        return;
    const int pstat = m[4], cvh = m[8], data7 = m[10];
    if (ProgAnswer != ReadAwaited)
        ProgAnswer = Written + pstat;
    else
        ProgAnswer = pstat == 0 ? data7 + (cvh & 0x02 ? 128 : 0) : Written + pstat;
}

// --- what the windows show ----------------------------------------------------

StdCvs Programming::std_cvs() const
{
    StdCvs r;
    const int cv29 = value(29);
    r.address = address_text(cv29 != CvUnknown && (cv29 & 32));
    for (int i = 2; i <= 6; ++i)
        r.cv[size_t(i)] = cv_text(value(i));
    r.version = cv_text(value(7));
    r.manufacturer = HerstellerName[size_t(value(8))];
    r.cv29 = cv29 == CvUnknown ? 0 : cv29;
    return r;
}

QString Programming::address_text(bool longAddress) const
{
    if (!longAddress)
        return cv_text(value(1));
    if (value(17) == CvUnknown || value(18) == CvUnknown)
        return cv_text(CvUnknown);
    return QString::number((value(17) & 63) * 256 + value(18));
}

QStringList Programming::cv_list_lines(QList<int>* cvs) const
{
    QStringList lines;
    for (int cv = 1; cv <= CvMax; ++cv) {
        const int v = value(cv);
        if (v == CvUnknown)
            continue;
        lines << QStringLiteral("CV %1 = %2").arg(cv, 3).arg(v, 3);
        if (cvs)
            cvs->append(cv);
    }
    return lines;
}

QString Programming::rc_data_text() const
{
    const auto word = [this](int first) {
        double w = 0;
        for (int k = 3; k >= 0; --k)
            w = w * 256 + value(first + k);
        return w;
    };
    const QDateTime epoch(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);
    const QDateTime made = epoch.addSecs(qint64(word(269)));
    return QString::number(value(264)) + QString::number(value(263)) + QString::number(value(262)) +
           QStringLiteral(" / ") + QString::number(qint64(word(265))) + QStringLiteral(" / ") +
           QLocale::system().toString(made, QLocale::ShortFormat);
}
