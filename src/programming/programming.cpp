#include "programming.h"

#include "core/clock.h"
#include "core/messages.h"
#include "core/number_text.h"
#include "cv_table.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "loconet/views.h"

#include <QDateTime>
#include <QLocale>

namespace {

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
const QString kNichtsZuSchreiben =
    QStringLiteral("Keine der CVs hat einen bekannten Wert: es wird nichts geschrieben.");
const QString kKennlinie =
    QStringLiteral("Damit die Kennline aktiviert wird, muss Bit 4 in CV 29 auf 1 gesetzen werden!");

enum Step { Enter = 0, Request = 1, AwaitAnswer = 2 };

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
    s.dispatch.on(ln::op::SlRdData, [this](const ln::Msg& m) { rx_programmer(m); });
    for (const JobKind k : {JobKind::CvRead, JobKind::CvWrite, JobKind::CvListRead, JobKind::CvListWrite})
        s.req.declare(k);
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
    CvFileUnread = false;
    forget_values();
}

// --- the job ----------------------------------------------------------------

// A read or write of one CV or of a CV list: the station enters programming
// mode, each CV is asked and its reply awaited, and however the job ends the
// station leaves programming mode once.
class Programming::CvJob : public Job {
  public:
    // A single CV (cv, value to write) or a list (its number).
    CvJob(Programming& owner, JobKind kind, int cvOrList, int value = 0)
        : Job(kind), o_(owner), write_(kind == JobKind::CvWrite || kind == JobKind::CvListWrite),
          list_(kind == JobKind::CvListRead || kind == JobKind::CvListWrite),
          cv_(list_ ? 0 : cvOrList), listNr_(list_ ? cvOrList : 0), value_(value)
    {
    }
    int list() const { return list_ ? listNr_ : -1; }

    // The programmer's reply: only one naming the CV asked counts; one
    // naming another CV is late, from a request that timed out. Replies
    // count CVs from 0, as the programmer's slot does.
    void reply(int cv, int pstat, int data)
    {
        if (Step != AwaitAnswer || cv != awaitCv_)
            return;
        awaitCv_ = 0;
        answer_ = write_ || pstat != 0 ? Written + pstat : data;
    }

  protected:
    bool step() override
    {
        switch (Step) {
        case Enter:
            send(ln::ProgTrackMode::make(true));
            entered_ = true;
            Step = Request;
            return false;
        case Request: return request();
        default: return list_ ? await_list() : await_one();
        }
    }
    void ending(End how) override
    {
        if (entered_)
            engine().last_word(ln::ProgTrackMode::make(false));
        if (how != End::Done && how != End::TimedOut)
            o_.status(kAbbruch);
        if (list_)
            o_.cv_list_done(listNr_);
        else
            o_.set_prog_buttons(true);
    }

  private:
    bool request()
    {
        if (list_ && write_)
            pos_ = o_.next_write(listNr_, pos_);
        if (list_ && pos_ > o_.CvListLast[size_t(listNr_)]) {
            o_.status(write_ ? kSchreibenBeendet : kLesenBeendet);
            return true;
        }
        const int cv = list_ ? o_.CvList[size_t(listNr_)][size_t(pos_)] : cv_;
        o_.status((write_ ? kSchreibeCv : kLeseCv) + QString::number(cv));
        if (write_ && list_)
            value_ = o_.value(cv);
        send(ln::StationProgRequest::make(write_, cv, write_ ? value_ : 0));
        Step = AwaitAnswer;
        wait(AnswerTimeout);
        answer_ = write_ ? WriteAwaited : ReadAwaited;
        awaitCv_ = cv;
        return false;
    }
    bool timed_out()
    {
        o_.s_.msgs.show(titles::Fehler, write_ ? kKeineAntwortSchreiben : kKeineAntwortLesen);
        return finish(End::TimedOut);
    }
    bool await_list()
    {
        if (answer_ == (write_ ? WriteAwaited : ReadAwaited))
            return expired() ? timed_out() : false;
        const bool ok = write_ ? answer_ == Written : answer_ >= 0 && answer_ <= 255;
        if (!ok) {
            o_.fail(prog_error(answer_, write_ ? ProgColumn::ListWrite : ProgColumn::Read).box);
            return true;
        }
        if (!write_)
            o_.set_value(o_.CvList[size_t(listNr_)][size_t(pos_)], answer_);
        // The next CV follows without leaving programming mode; the request
        // step ends the job after the last one.
        ++pos_;
        return request();
    }
    bool await_one()
    {
        if (answer_ == (write_ ? WriteAwaited : ReadAwaited))
            return expired() ? timed_out() : false;
        if (write_ && answer_ == Written) {
            o_.status(kSchreibenBeendet);
            o_.set_value(cv_, value_);
            emit o_.show_std_cvs();
            emit o_.show_cv_list();
        } else if (!write_ && answer_ >= 0 && answer_ <= 255) {
            o_.status(kLesenBeendet);
            emit o_.single_value_shown(QString::number(answer_));
            o_.set_value(cv_, answer_);
            emit o_.show_std_cvs();
            emit o_.show_cv_list();
        } else {
            o_.fail(prog_error(answer_, write_ ? ProgColumn::SingleWrite : ProgColumn::Read).box);
            if (!write_) // "-": the CV is missing or the track shorted; "_": no answer from a loco
                emit o_.single_value_shown(answer_ == 1002 || answer_ == 1003 ? QStringLiteral("-")
                                                                              : QStringLiteral("_"));
        }
        return true;
    }

    Programming& o_;
    const bool write_, list_;
    const int cv_, listNr_;
    int value_;            // the value a write sends
    int pos_ = 0;          // list position
    int answer_ = 0;       // the answer awaited or received
    int awaitCv_ = 0;      // the CV whose reply is awaited; 0 = none
    bool entered_ = false; // the station was put into programming mode
};

// --- starting jobs --------------------------------------------------------

bool Programming::start(std::shared_ptr<CvJob> job)
{
    if (!s_.req.submit(job))
        return false;
    job_ = job;
    set_prog_buttons(false);
    return true;
}

bool Programming::job_running() const
{
    const auto job = job_.lock();
    return job && job->running();
}

void Programming::abort()
{
    // A single CV is over in a moment: only a list is stopped.
    if (const auto job = job_.lock(); job && job->list() >= 0)
        s_.req.cancel(job, End::Cancelled);
}

bool Programming::read_one(const QString& cvText)
{
    if (!s_.req.admit(JobKind::CvRead))
        return false;
    const auto cv = number_in(cvText, 1, 1023);
    if (!cv) {
        fail(kCvNummer);
        return false;
    }
    return start(std::make_shared<CvJob>(*this, JobKind::CvRead, *cv));
}

bool Programming::write_one(const QString& cvText, const QString& valueText)
{
    if (!s_.req.admit(JobKind::CvWrite))
        return false;
    const auto cv = number_in(cvText, 1, 1023);
    const auto v = number_in(valueText, 0, 255);
    if (!cv || !v) {
        fail(!cv ? kCvNummer : invalid_value(*cv, valueText, 255));
        return false;
    }
    return start(std::make_shared<CvJob>(*this, JobKind::CvWrite, *cv, *v));
}

bool Programming::start_list(bool write, int list)
{
    return start(std::make_shared<CvJob>(*this, write ? JobKind::CvListWrite : JobKind::CvListRead, list));
}

bool Programming::read_list(int list)
{
    if (list < 0 || list > 3 || CvListLast[size_t(list)] < 0 || !s_.req.admit(JobKind::CvListRead))
        return false;
    return start_list(false, list);
}

bool Programming::write_list(int list)
{
    if (list < 0 || list > 3 || CvListLast[size_t(list)] < 0 || !s_.req.admit(JobKind::CvListWrite))
        return false;
    return start_write(list);
}

// After the engine allowed the start: a list with no known value would only
// enter and leave programming mode.
bool Programming::start_write(int list)
{
    if (next_write(list, 0) > CvListLast[size_t(list)]) {
        status(QLatin1Char(' ') + kNichtsZuSchreiben);
        s_.msgs.show(titles::Hinweis, kNichtsZuSchreiben, MsgIcon::Information);
        return false;
    }
    return start_list(true, list);
}

bool Programming::write_std(const std::array<QString, 7>& cvTxt, bool longAddress,
                            std::optional<int> cv29)
{
    // Refused, the fields' values must not look known in the CV list.
    if (!s_.req.admit(JobKind::CvListWrite))
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
    return start_write(StdList);
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
    // A row showing "-" or nothing is not written, whatever its CV held before.
    int n = 0;
    for (const CvTable::Entry& e : entries) {
        if (n >= ListSize)
            break;
        if (withValues && e.value < 0)
            continue;
        CvList[UserList][size_t(n++)] = e.cv;
        if (withValues)
            set_value(e.cv, e.value);
    }
    CvListLast[UserList] = n - 1;
    return true;
}

bool Programming::read_user_list(const CvTable& table)
{
    if (table.user_list().isEmpty() || !s_.req.admit(JobKind::CvListRead))
        return false;
    fill_user_list(table, false);
    return start_list(false, UserList);
}

bool Programming::write_user_list(const CvTable& table)
{
    if (table.user_list().isEmpty() || !s_.req.admit(JobKind::CvListWrite))
        return false;
    return fill_user_list(table, true) && start_write(UserList);
}

bool Programming::read_rc_data()
{
    if (!s_.req.admit(JobKind::CvListRead))
        return false;
    for (int i = 0; i < 12; ++i)
        CvList[RcDataList][size_t(i)] = 261 + i;
    CvListLast[RcDataList] = 11;
    return start_list(false, RcDataList);
}

bool Programming::read_speed_table()
{
    if (!read_list(SpeedList))
        return false;
    SpeedShowPoints = true;
    return true;
}

bool Programming::write_speed_table()
{
    if (!s_.req.admit(JobKind::CvListWrite))
        return false;
    // The reminder only for a write that goes out.
    if (next_write(SpeedList, 0) <= CvListLast[SpeedList])
        s_.msgs.show(titles::Hinweis, kKennlinie, MsgIcon::Information);
    return start_write(SpeedList);
}

void Programming::set_prog_buttons(bool enable)
{
    emit prog_buttons(enable);
}

void Programming::release_buttons()
{
    if (!job_running())
        set_prog_buttons(true);
}

int Programming::next_write(int list, int pos) const
{
    const auto& cvs = CvList[size_t(list)];
    for (; pos <= CvListLast[size_t(list)]; ++pos) {
        const int cv = cvs[size_t(pos)];
        // CV 7 and 8 are read-only in a decoder (version, manufacturer);
        // only a list that starts with one writes it (a reset via CV 8).
        if (value(cv) != CvUnknown && (pos == 0 || (cv != 7 && cv != 8)))
            break;
    }
    return pos;
}

void Programming::status(const QString& text)
{
    DCCProgStat = text;
    emit status_shown(text);
}

void Programming::fail(const QString& text)
{
    if (job_running()) // a job's failure also shows in the status line
        status(QLatin1Char(' ') + text);
    s_.msgs.show(titles::Fehler, text, MsgIcon::Critical);
}

void Programming::cv_list_done(int list)
{
    if (list == StdList)
        emit show_std_cvs();
    emit show_cv_list();
    if (list == SpeedList)
        emit speed_curve_done();
    if (list == RcDataList)
        emit rc_data_shown(rc_data_text());
    set_prog_buttons(true);
}

// --- the programmer's reply -------------------------------------------------

void Programming::rx_programmer(const ln::Msg& m)
{
    // Only a reply to our request counts: one arriving before the request
    // went out, or after its job ended, is somebody else's.
    const auto job = job_.lock();
    if (!job || !ln::ProgTask::is(m))
        return;
    const ln::ProgTask reply(m);
    job->reply(reply.cv(), reply.status(), reply.value());
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
