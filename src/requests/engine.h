#pragma once
// The request engine owns every job the program runs. One rule decides
// whether a job may run now, wait behind the others or is refused (by its
// class and by who asks); a STOP goes out at once. A connection is a
// session: every job ends with it, and what an ending still owes the
// station goes out first thing in the next one.

#include "job.h"
#include "job_kinds.h"
#include "loconet/link.h"

#include <QObject>
#include <QString>
#include <array>
#include <deque>
#include <memory>

class Clock;
class MessageService;

class ReqEngine : public QObject, public Link::Producer {
    Q_OBJECT
  public:
    ReqEngine(Link& link, const Clock& clock, MessageService& msgs);

    // Who asks: a user's action (refused with one box), the program on a
    // user's behalf that is told rather than shown (a phone, a window
    // reading on its own), or the program's own follow-up (the connect
    // sequence, a coil's off message, a stop it decided), which waits
    // behind whatever runs and is refused only without a connection.
    enum class Caller { User, Quiet, Follow };
    enum class Refusal { None, Offline, Busy, Full };

    // A subsystem declares the kinds it runs; a kind declared twice is an
    // error (false, and kept in declaration_errors()).
    bool declare(JobKind kind);
    bool declared(JobKind kind) const { return declared_[size_t(kind)]; }
    int declaration_errors() const { return declarationErrors_; }

    // The one rule.
    Refusal refusal(JobKind kind, Caller caller = Caller::User) const;
    QString refusal_text(Refusal refusal) const;
    // The rule, with the box for a refused user.
    bool admit(JobKind kind, Caller caller = Caller::User);
    // Admits the job and runs it now or after those before it; false when
    // refused (the job never starts and has no ending then).
    bool submit(const std::shared_ptr<Job>& job, Caller caller = Caller::User);
    // Ends a job that runs or waits, with its ending; nothing when it ended.
    void cancel(const std::shared_ptr<Job>& job, End how = End::Cancelled);
    // A job of that kind runs or waits.
    bool has(JobKind kind) const;
    bool idle() const { return !running_ && waiting_.empty() && now_.empty(); }
    // A job of class Long runs or waits.
    bool has_long_job() const { return long_job_active() != nullptr; }

    // The port is open: a new session begins, and what endings of the last
    // one still owe the station goes out first.
    void begin_session();
    // The connect sequence is over: users may ask.
    void set_online(bool online);
    // Every job ends with how (Disconnected while the port is still open,
    // PortLost after it vanished).
    void end_session(End how);
    bool in_session() const { return inSession_; }
    bool online() const { return online_; }
    int session() const { return session_; }

    // A message an ending owes the station (leaving programming mode): it
    // goes out next while the session lasts, at once past the buffer while
    // the port closes, and first in the next session when the port vanished.
    void last_word(const QByteArray& bytes);

    // A job's deadline passed or an answer arrived: its step runs when the
    // buffer is free.
    void service() { link_.service(); }
    // The earliest deadline of a job that runs; a negative value for none.
    double next_due() const;

    Link& link() const { return link_; }
    const Clock& clock() const { return clock_; }

    static constexpr int MaxWaiting = 64;

  signals:
    // A long job started (true) or none runs or waits any more (false).
    void long_job(bool running);
    void online_changed(bool online);
    // A new session: the station's earlier answers no longer count.
    void session_started();

  private:
    void fill(Link& link) override;
    void start_next();
    bool run_step(Job& job);
    void end(std::shared_ptr<Job> job, End how);
    const Job* long_job_active() const;
    void update_long();

    Link& link_;
    const Clock& clock_;
    MessageService& msgs_;
    std::array<bool, JobKindCount> declared_{};
    int declarationErrors_ = 0;
    std::shared_ptr<Job> running_;
    std::deque<std::shared_ptr<Job>> waiting_;
    std::deque<std::shared_ptr<Job>> now_; // class Now: between two messages of the running job
    std::vector<QByteArray> owed_;         // last words for the next session
    bool inSession_ = false, online_ = false;
    int session_ = 0;
    End closing_ = End::Done; // while end_session runs: how
    bool closingNow_ = false;
    bool longShown_ = false;
};
