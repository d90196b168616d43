#include "engine.h"

#include "core/clock.h"
#include "core/messages.h"

#include <QDebug>
#include <algorithm>

namespace {
const QString kOffline = QStringLiteral("Keine Verbindung zur Zentrale: bitte erst \"Verbinden\".");
const QString kBusy = QStringLiteral("Bitte warten, bis %1 beendet ist.");
const QString kBusyAnything = QStringLiteral("Bitte warten, bis der laufende Auftrag beendet ist.");

bool is_long(const Job& job)
{
    return job_info(job.kind()).cls == JobClass::Long;
}
} // namespace

ReqEngine::ReqEngine(Link& link, const Clock& clock, MessageService& msgs)
    : link_(link), clock_(clock), msgs_(msgs)
{
    // First in line for the free buffer: before the route engine and guests.
    link.addProducer(this);
    declare(JobKind::LastWord);
}

bool ReqEngine::declare(JobKind kind)
{
    bool& d = declared_[size_t(kind)];
    if (d) {
        ++declarationErrors_;
        qWarning("job kind %d declared twice", int(kind));
        return false;
    }
    d = true;
    return true;
}

const Job* ReqEngine::long_job_active() const
{
    if (running_ && is_long(*running_))
        return running_.get();
    for (const auto& j : waiting_)
        if (is_long(*j))
            return j.get();
    return nullptr;
}

ReqEngine::Refusal ReqEngine::refusal(JobKind kind, Caller caller) const
{
    if (!inSession_)
        return Refusal::Offline;
    if (caller == Caller::Follow)
        return Refusal::None;
    if (!online_)
        return Refusal::Offline;
    if (job_info(kind).cls == JobClass::Now)
        return Refusal::None;
    if (long_job_active())
        return Refusal::Busy;
    if (waiting_.size() >= MaxWaiting)
        return Refusal::Full;
    return Refusal::None;
}

QString ReqEngine::refusal_text(Refusal r) const
{
    switch (r) {
    case Refusal::None: return {};
    case Refusal::Offline: return kOffline;
    case Refusal::Busy:
        if (const Job* j = long_job_active())
            return kBusy.arg(job_info(j->kind()).what);
        return kBusyAnything;
    case Refusal::Full: return kBusyAnything;
    }
    return {};
}

bool ReqEngine::admit(JobKind kind, Caller caller)
{
    const Refusal r = refusal(kind, caller);
    if (r == Refusal::None)
        return true;
    if (caller == Caller::User)
        msgs_.show(titles::Hinweis, refusal_text(r), MsgIcon::Information);
    return false;
}

bool ReqEngine::submit(const std::shared_ptr<Job>& job, Caller caller)
{
    if (!job || job->started_)
        return false;
    if (!declared(job->kind())) {
        qWarning("job kind %d submitted without its owner", int(job->kind()));
        return false;
    }
    if (!admit(job->kind(), caller))
        return false;
    job->engine_ = this;
    job->started_ = true;
    if (job_info(job->kind()).cls == JobClass::Now)
        now_.push_back(job);
    else
        waiting_.push_back(job);
    update_long();
    link_.service();
    return true;
}

bool ReqEngine::has(JobKind kind) const
{
    const auto same = [kind](const std::shared_ptr<Job>& j) { return j->kind() == kind; };
    return (running_ && same(running_)) || std::any_of(waiting_.begin(), waiting_.end(), same) ||
           std::any_of(now_.begin(), now_.end(), same);
}

void ReqEngine::cancel(const std::shared_ptr<Job>& job, End how)
{
    if (!job || !job->started_ || job->ended_ || job->engine_ != this)
        return;
    end(job, how);
    link_.service();
}

void ReqEngine::end(std::shared_ptr<Job> job, End how)
{
    if (job->ended_)
        return;
    job->ended_ = true;
    if (running_ == job)
        running_.reset();
    for (auto* queue : {&waiting_, &now_})
        queue->erase(std::remove(queue->begin(), queue->end(), job), queue->end());
    job->ending(how);
    for (const auto& follow : job->follows_)
        follow(how);
    job->follows_.clear();
    update_long();
}

void ReqEngine::update_long()
{
    const bool active = long_job_active() != nullptr;
    if (active == longShown_)
        return;
    longShown_ = active;
    emit long_job(active);
}

void ReqEngine::start_next()
{
    running_ = waiting_.front();
    waiting_.pop_front();
}

bool ReqEngine::run_step(Job& job)
{
    return job.step();
}

void ReqEngine::fill(Link& link)
{
    // Steps run only with the buffer free; one that sends ends this turn.
    // A job that finishes lets the next one step at once.
    while (link.txFree()) {
        if (!running_ && !waiting_.empty())
            start_next();
        std::shared_ptr<Job> job = !now_.empty() ? now_.front() : running_;
        if (!job)
            return;
        if (run_step(*job)) {
            end(job, job->how_);
            continue;
        }
        if (!link.txFree() || job == running_ || !running_)
            return;
        // A job of the Now lane that waits lets the running one step.
        job = running_;
        if (!run_step(*job))
            return;
        end(job, job->how_);
    }
}

void ReqEngine::begin_session()
{
    ++session_;
    inSession_ = true;
    online_ = false;
    link_.reset();
    link_.setActive(true);
    emit session_started();
    const std::vector<QByteArray> owed = std::move(owed_);
    owed_.clear();
    for (const QByteArray& bytes : owed)
        submit(std::make_shared<MessageJob>(JobKind::LastWord, bytes), Caller::Follow);
}

void ReqEngine::set_online(bool online)
{
    if (online == online_ || (online && !inSession_))
        return;
    online_ = online;
    emit online_changed(online);
}

void ReqEngine::end_session(End how)
{
    if (!inSession_)
        return;
    const bool wasOnline = online_;
    inSession_ = false;
    online_ = false;
    closing_ = how;
    closingNow_ = true;
    link_.setActive(false);
    std::vector<std::shared_ptr<Job>> all(now_.begin(), now_.end());
    if (running_)
        all.push_back(running_);
    all.insert(all.end(), waiting_.begin(), waiting_.end());
    for (const auto& job : all)
        end(job, how);
    closingNow_ = false;
    if (wasOnline)
        emit online_changed(false);
}

void ReqEngine::last_word(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    if (closingNow_ && closing_ != End::PortLost)
        link_.send_now(bytes);
    else if (!inSession_)
        owed_.push_back(bytes);
    else
        submit(std::make_shared<MessageJob>(JobKind::LastWord, bytes), Caller::Follow);
}

double ReqEngine::next_due() const
{
    // While a message is on its way the link's own time-out comes first,
    // and its end runs the steps anyway.
    if (!link_.txFree())
        return -1;
    double due = -1;
    const auto take = [&due](const std::shared_ptr<Job>& j) {
        if (j && j->deadline_ >= 0 && (due < 0 || j->deadline_ < due))
            due = j->deadline_;
    };
    take(running_);
    for (const auto& j : now_)
        take(j);
    return due;
}
