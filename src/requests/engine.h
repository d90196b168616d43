#pragma once
// Request engine: one numbered job at a time, advanced one step per tick
// while the transmit buffer is free. Subsystems register the jobs they run.

#include <QObject>
#include <QString>
#include <functional>
#include <map>

class Link;

class ReqEngine : public QObject {
    Q_OBJECT
  public:
    // A job step; true when the job is finished.
    using Job = std::function<bool()>;

    explicit ReqEngine(Link& link) : link_(link) {}

    void registerJob(int number, Job job) { jobs_[number] = std::move(job); }
    void registerJobs(int first, int last, const Job& job)
    {
        for (int n = first; n <= last; ++n)
            jobs_[n] = job;
    }

    // Posting replaces whatever job runs; inputs (ReqAdr, ...) are set before.
    void post(int job, int step = 0)
    {
        ReqJob = job;
        ReqStep = step;
    }
    bool idle() const { return ReqJob == 0; }

    // One turn of the engine; first call of every main-timer tick.
    void req_engine();
    // Ends the running job: the window is unlocked again.
    void end_job();

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
    Link& link_;
    std::map<int, Job> jobs_;
};
