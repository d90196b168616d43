#include "lncv_manager.h"

#include "file_texts.h"
#include "lncv.h"

#include "core/datadir.h"
#include "core/file_io.h"
#include "core/messages.h"
#include "core/number_text.h"
#include "loconet/dispatch.h"
#include "loconet/views.h"

#include <algorithm>
#include <optional>

namespace {
const QString& kDateifehler = filetexts::Dateifehler;
const QString kKeinModul = QStringLiteral("Kein Modul hat geantwortet.");
const QString kAufgedruckt =
    QStringLiteral("Die Artikelnummer ist die auf dem Modul aufgedruckte, z. B. 12340.");
// The highest printed number that still names one article: 655346 and up
// round to the field that asks every module.
const QString kArtikelnummer = QStringLiteral("Bitte eine Artikelnummer von 0 bis %1 eingeben "
                                              "oder das Feld für alle Module leer lassen!")
                                   .arg(LncvManager::MaxArticle);
const QString kBisLncv =
    QStringLiteral("Bitte bei „bis LNCV:“ eine Zahl von 0 bis 65535 eingeben!");
const QString kModulWaehlen = QStringLiteral("Bitte zuerst ein Modul in der Liste wählen.");
const QString kNichtsGeaendert = QStringLiteral("Es wurde kein Wert geändert.");
const QString kKeineDatei = QStringLiteral("Bitte zuerst eine Datei laden.");
const QString kSchonGleich = QStringLiteral("Das Modul hat schon alle Werte der Datei.");
const QString kNichtsGelesen = QStringLiteral("Es wurde noch kein Wert gelesen.");
const QString kNichtGelesen = QStringLiteral("Die Datei %1 kann nicht gelesen werden.");
const QString kKeineSicherung = QStringLiteral("Die Datei %1 ist keine LNCV-Sicherung.");
const QString kAndererArtikel = QStringLiteral(
    "Die Datei gehört zu Artikelnummer %1, das gewählte Modul hat Artikelnummer %2.");
const QString& kNichtGeschrieben = filetexts::NichtGeschrieben;
const QString kGeprueft = QStringLiteral("geschrieben und geprüft");
const QString kZurueckgelesen = QStringLiteral("geschrieben %1, zurückgelesen %2");

// Article field or module address that asks every module.
constexpr int Every = ln::LncvMessage::AllModules;

using Kind = ln::LncvMessage::Kind;

QByteArray request(Kind kind, LncvModuleId to, int lncv, int value)
{
    return ln::LncvMessage::request(kind, to.article, lncv, value);
}

QByteArray end_message(LncvModuleId module)
{
    return request(Kind::End, module, 0, module.address);
}
} // namespace

// One session with the modules: a plan of tasks, each one message and what
// it waits for. The start puts the module (or, for a search, every module
// asked) into programming mode; whatever ends the session early, the
// ending sends the end message that is still owed.
class LncvManager::Session : public Job {
  public:
    enum class Op { Search, Start, Read, Write, Verify, End, EndFound };
    struct Task {
        Op op;
        int lncv = 0;
        int value = 0; // what Write writes and Verify expects
    };

    Session(LncvManager& owner, JobKind kind, LncvModuleId module, QList<Task> plan)
        : Job(kind), o_(owner), m_(module), plan_(std::move(plan))
    {
        for (const Task& t : plan_)
            total_ += t.op == Op::Read || t.op == Op::Write;
    }

    int total() const { return total_; }

    void answer(int article, int lncv, int value)
    {
        if (!waiting_)
            return;
        const Task& t = plan_[next_];
        const bool ours = article == m_.article;
        switch (t.op) {
        case Op::Search: return found({article, value}, lncv == 0 && (ours || m_.article == Every));
        case Op::Start:
            if (ours && lncv == 0 && value == m_.address)
                value_ = value;
            return;
        case Op::Read:
        case Op::Verify:
            if (ours && lncv == t.lncv)
                value_ = value;
            return;
        default: return;
        }
    }

  protected:
    bool step() override
    {
        if (waiting_) {
            if (!outcome() && !expired())
                return false;
            waiting_ = false;
            conclude();
        }
        while (next_ < plan_.size())
            if (begin())
                return false;
        return true;
    }

    void acked(int code) override
    {
        // A module acknowledges a read only to say it has no such LNCV.
        if (waiting_)
            ack_ = code;
    }

    void ending(End) override
    {
        // Done, or cut off before anything went out: nothing is owed.
        if (next_ >= plan_.size() || (next_ == 0 && !waiting_))
            return;
        QList<LncvModuleId> open{m_};
        if (plan_[next_].op == Op::Search)
            open = {{m_.article, Every}}; // also those not heard yet
        else if (plan_[next_].op == Op::EndFound)
            open = found_;
        for (const LncvModuleId& id : open)
            engine().last_word(end_message(id));
    }

  private:
    // Sends the task's message and waits for its outcome; false when the
    // task has nothing to send.
    bool begin()
    {
        const Task& t = plan_[next_];
        value_.reset();
        ack_ = -1;
        switch (t.op) {
        case Op::Search:
            send(request(Kind::Start, m_, 0, Every));
            listen(LncvManager::SearchTime);
            break;
        case Op::Start:
            send(request(Kind::Start, m_, 0, m_.address));
            wait(LncvProg::ReadTimeout);
            break;
        case Op::Read:
        case Op::Verify:
            if (t.op == Op::Read)
                emit o_.progress(++done_, total_);
            send(request(Kind::Read, m_, t.lncv, m_.address));
            wait(LncvProg::ReadTimeout);
            break;
        case Op::Write:
            emit o_.progress(++done_, total_);
            send(request(Kind::Write, m_, t.lncv, t.value));
            wait(LncvProg::WriteTimeout);
            break;
        case Op::End: send(end_message(m_)); break;
        case Op::EndFound:
            if (found_.isEmpty()) {
                ++next_;
                return false;
            }
            send(end_message(found_.first()));
            break;
        }
        waiting_ = true;
        return true;
    }

    bool outcome() const
    {
        switch (plan_[next_].op) {
        case Op::Search: return false; // listens until its time is over
        case Op::Start:
        case Op::Read:
        case Op::Verify: return value_ || ack_ >= 0;
        case Op::Write: return ack_ >= 0;
        default: return true; // an end message is not answered
        }
    }

    void conclude()
    {
        const Task t = plan_[next_++];
        LncvValueTable& values = o_.values_;
        switch (t.op) {
        case Op::Search:
            std::sort(found_.begin(), found_.end());
            if (found_.isEmpty())
                o_.nobody_answered(m_.article != Every);
            break;
        case Op::Start:
            if (!value_) {
                o_.s_.msgs.show(titles::Fehler, lncv_no_answer(false), MsgIcon::Critical);
                next_ = plan_.size() - 1; // straight to the end message
            }
            break;
        case Op::Read: values.set_value(t.lncv, value_.value_or(LncvValueTable::Missing)); break;
        case Op::Write: {
            const QString refusal = ack_ < 0 ? lncv_no_answer(true) : lncv_write_refusal(ack_);
            if (!refusal.isEmpty()) {
                values.set_note(t.lncv, refusal, true);
                ++next_; // nothing to read back
            } else if (t.lncv == 0) {
                m_.address = t.value; // the module answers to its new address from now on
                o_.readdressed(t.value);
            }
            break;
        }
        case Op::Verify:
            values.set_value(t.lncv, value_.value_or(LncvValueTable::Missing));
            if (!value_)
                values.set_note(t.lncv, lncv_no_answer(false), true);
            else if (*value_ != t.value)
                values.set_note(t.lncv, kZurueckgelesen.arg(t.value).arg(*value_), true);
            else
                values.set_note(t.lncv, kGeprueft, false);
            break;
        case Op::End: break;
        case Op::EndFound:
            found_.removeFirst();
            --next_; // the next module found, if any
            break;
        }
    }

    void found(LncvModuleId id, bool counts)
    {
        if (!counts || found_.contains(id))
            return;
        found_.append(id);
        o_.found(id);
        // Another answer may follow as long after this one.
        if (now() + SearchQuiet > quietUntil_)
            listen(SearchQuiet);
    }

    void listen(double seconds)
    {
        quietUntil_ = now() + seconds;
        wait(seconds);
    }

    LncvManager& o_;
    LncvModuleId m_; // a search: the article field asked (Every for all)
    QList<Task> plan_;
    qsizetype next_ = 0; // the task running or next
    bool waiting_ = false;
    std::optional<int> value_;
    int ack_ = -1;
    double quietUntil_ = 0;
    QList<LncvModuleId> found_; // a search: the modules not ended yet
    int done_ = 0, total_ = 0;
};

LncvManager::LncvManager(const Services& s) : s_(s), values_(s.msgs)
{
    s.dispatch.onPeer(ln::cmd::LncvAnswer, [this](const ln::Msg& m) { rx_answer(m); });
    for (const JobKind k : {JobKind::LncvSearch, JobKind::LncvReadAll, JobKind::LncvWriteAll})
        s.req.declare(k);
}

bool LncvManager::busy() const
{
    return job_ && !job_->ended();
}

bool LncvManager::refuse(const QString& text)
{
    s_.msgs.show(titles::Hinweis, text, MsgIcon::Information);
    return false;
}

bool LncvManager::start(const std::shared_ptr<Session>& job)
{
    const Session* session = job.get();
    job_ = job;
    values_.set_locked(true);
    // Registered first: a job may end within submit.
    job->then([this, session](End) {
        if (job_.get() == session)
            job_.reset();
        values_.set_locked(false);
        emit busy_changed(false);
    });
    emit progress(0, job->total());
    if (!s_.req.submit(job)) {
        job_.reset();
        values_.set_locked(false);
        return false;
    }
    if (busy())
        emit busy_changed(true);
    return true;
}

lncvfile::Definition LncvManager::definition(int article) const
{
    const QString path = lncvfile::definition_path(s_.data, article * 10);
    const auto bytes = path.isEmpty() ? std::nullopt : read_file(path, lncvfile::MaxFileSize);
    return bytes ? lncvfile::parse_definition(*bytes) : lncvfile::Definition{};
}

bool LncvManager::search(const QString& articleText)
{
    if (!s_.req.admit(JobKind::LncvSearch))
        return false;
    int article = Every;
    if (const QString text = articleText.trimmed(); !text.isEmpty()) {
        const auto n = number_in(text, 0, MaxArticle);
        if (!n) {
            s_.msgs.show(titles::Fehler, kArtikelnummer, MsgIcon::Warning);
            return false;
        }
        article = lncv_article(*n / 10.0);
    }
    select(-1);
    modules_.clear();
    using Op = Session::Op;
    return start(std::make_shared<Session>(*this, JobKind::LncvSearch, LncvModuleId{article, Every},
                                           QList<Session::Task>{{Op::Search}, {Op::EndFound}}));
}

bool LncvManager::select(int row)
{
    if (busy())
        return false;
    if (row < 0 || row >= modules_.rowCount())
        row = -1;
    if (row == selected_)
        return true;
    selected_ = row;
    values_.reset(row < 0 ? lncvfile::Definition{} : definition(modules_.at(row).article));
    emit selection_changed(row);
    return true;
}

bool LncvManager::read_all(const QString& lastText)
{
    if (!s_.req.admit(JobKind::LncvReadAll))
        return false;
    if (selected_ < 0)
        return refuse(kModulWaehlen);
    const LncvModuleId m = modules_.at(selected_);
    QList<int> lncvs = definition(m.article).lncvs.keys();
    if (lncvs.isEmpty()) {
        const auto last = number_in(lastText.trimmed(), 0, lncvfile::MaxField);
        if (!last) {
            s_.msgs.show(titles::Fehler, kBisLncv, MsgIcon::Warning);
            return false;
        }
        for (int n = 0; n <= *last; ++n)
            lncvs.append(n);
    }
    using Op = Session::Op;
    QList<Session::Task> plan{{Op::Start}};
    for (const int n : lncvs)
        plan.append({Op::Read, n});
    plan.append({Op::End});
    values_.prepare(lncvs);
    return start(std::make_shared<Session>(*this, JobKind::LncvReadAll, m, std::move(plan)));
}

bool LncvManager::writes(const QList<std::pair<int, int>>& values)
{
    using Op = Session::Op;
    QList<Session::Task> plan{{Op::Start}};
    for (const auto& [lncv, value] : values) {
        plan.append({Op::Write, lncv, value});
        plan.append({Op::Verify, lncv, value});
        values_.set_note(lncv, {}, false);
    }
    plan.append({Op::End});
    return start(std::make_shared<Session>(*this, JobKind::LncvWriteAll, modules_.at(selected_),
                                           std::move(plan)));
}

bool LncvManager::write_changes()
{
    if (!s_.req.admit(JobKind::LncvWriteAll))
        return false;
    if (selected_ < 0)
        return refuse(kModulWaehlen);
    const auto changes = values_.edited();
    return changes.isEmpty() ? refuse(kNichtsGeaendert) : writes(changes);
}

bool LncvManager::restore()
{
    if (!s_.req.admit(JobKind::LncvWriteAll))
        return false;
    if (selected_ < 0)
        return refuse(kModulWaehlen);
    if (!values_.has_file())
        return refuse(kKeineDatei);
    const auto differing = values_.restorable();
    return differing.isEmpty() ? refuse(kSchonGleich) : writes(differing);
}

bool LncvManager::can_load()
{
    return selected_ >= 0 || refuse(kModulWaehlen);
}

bool LncvManager::can_save()
{
    return can_load() && (!values_.known().isEmpty() || refuse(kNichtsGelesen));
}

bool LncvManager::save(const QString& path)
{
    if (!can_save())
        return false;
    const LncvModuleId m = modules_.at(selected_);
    const lncvfile::Backup backup{m.article * 10, m.address, values_.known()};
    QString error;
    if (save_file(path, lncvfile::format_backup(backup, modules_.name(selected_)), &error))
        return true;
    s_.msgs.show(kDateifehler, kNichtGeschrieben.arg(path, error));
    return false;
}

bool LncvManager::load(const QString& path)
{
    if (!can_load())
        return false;
    QByteArray bytes;
    if (read_data_file(path, lncvfile::MaxFileSize, &bytes) != FileRead::Whole) {
        s_.msgs.show(kDateifehler, kNichtGelesen.arg(path));
        return false;
    }
    const auto backup = lncvfile::parse_backup(bytes);
    if (!backup) {
        s_.msgs.show(kDateifehler, kKeineSicherung.arg(path));
        return false;
    }
    // The bus knows the article by its field: 12345 is the module 12340.
    const LncvModuleId m = modules_.at(selected_);
    if (lncv_article(backup->article / 10.0) != m.article) {
        s_.msgs.show(kDateifehler, kAndererArtikel.arg(backup->article).arg(m.article * 10));
        return false;
    }
    values_.set_file(backup->values);
    return true;
}

void LncvManager::cancel()
{
    if (busy())
        s_.req.cancel(job_, End::Cancelled);
}

void LncvManager::rx_answer(const ln::Msg& m)
{
    // The station's own answers share the command byte.
    if (busy() && ln::LncvMessage::is(m)) {
        const ln::LncvMessage a(m);
        job_->answer(a.article(), a.lncv(), a.value());
    }
}

void LncvManager::found(LncvModuleId id)
{
    modules_.add(id, definition(id.article).name);
    emit progress(modules_.rowCount(), 0);
}

void LncvManager::nobody_answered(bool articleTyped)
{
    s_.msgs.show(titles::Hinweis, articleTyped ? kKeinModul + u'\n' + kAufgedruckt : kKeinModul,
                 MsgIcon::Information);
}

void LncvManager::readdressed(int address)
{
    modules_.readdress(selected_, address);
}
