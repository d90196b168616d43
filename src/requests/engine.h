#pragma once
// Request engine: one numbered job at a time, advanced one step per tick
// while the transmit buffer is free. Subsystems register the jobs they run,
// each with the ending that must run however the job ends.

#include <QObject>
#include <QString>
#include <functional>
#include <map>

class Link;
class MessageService;

class ReqEngine : public QObject {
    Q_OBJECT
  public:
    // A job step; true when the job is finished.
    using Job = std::function<bool()>;
    // How a job ended: it finished (also by its own time-out), a newer post
    // replaced it, or the connection went away.
    enum class End { Done, Replaced, Disconnected };
    Q_ENUM(End)
    // Runs exactly once when the job ends. It must not post a job.
    using Ending = std::function<void(End)>;

    struct JobDef {
        Job step;
        Ending ending = {};
        // True while a user's action must not cut the job off (it leaves
        // the station in a mode, or writes settings halfway).
        std::function<bool()> exclusive = {};
        QString what = {}; // the running work, as a refusal names it
    };

    ReqEngine(Link& link, MessageService& msgs) : link_(link), msgs_(msgs) {}

    void registerJob(int number, JobDef def) { jobs_[number] = std::move(def); }
    void registerJob(int number, Job job) { registerJob(number, JobDef{std::move(job)}); }
    void registerJobs(int first, int last, const Job& job) { registerJobs(first, last, JobDef{job}); }
    void registerJobs(int first, int last, const JobDef& def)
    {
        for (int n = first; n <= last; ++n)
            jobs_[n] = def;
    }

    // Posting from inside the program (the connect sequence, work that waits
    // for the engine to be idle): replaces whatever job runs, whose ending
    // runs first. Inputs (ReqAdr, ...) are set before.
    void post(int job, int step = 0);

    enum class Refusal { None, Offline, Busy };
    // Whether a user's action may post now.
    Refusal refusal() const;
    // What a refused action is told; empty when nothing refuses.
    QString refusal_text() const;
    // A user's action asks before it posts: refused with one message box
    // while disconnected or while a job runs that must not be cut off.
    bool allowed();
    // allowed(), then post().
    bool request(int job, int step = 0);

    bool idle() const { return ReqJob == 0; }

    // One turn of the engine; first call of every main-timer tick.
    void req_engine();
    // The connection went away: the running job ends without unlocking.
    void disconnected();

    // Set by the connection while it is up and its start-up sequence is over.
    bool online = false;

    int ReqJob = 0;
    int ReqStep = 0;
    int ReqAdr = 0;
    double ReqTime = 0;
    int ReqThr = 0;
    bool ThrBusy = false;
    QString RawText; // raw message text for job 40

  signals:
    // busy = true on every tick while a job is posted, false when it ends.
    void lock_ui(bool busy);

  private:
    // Clears the running job and runs its ending.
    void end(End how);
    const JobDef* running() const;

    Link& link_;
    MessageService& msgs_;
    std::map<int, JobDef> jobs_;
};
