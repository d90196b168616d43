#pragma once
// A job: one piece of work the program asks of the command station. It owns
// its inputs, its step, its deadline and its ending; nothing outside it
// writes them. The request engine runs its steps while the transmit buffer
// is free and ends it exactly once, however it ends.

#include "job_kinds.h"

#include <QByteArray>
#include <functional>
#include <memory>
#include <vector>

class ReqEngine;

// How a job ended.
enum class End {
    Done,         // finished (a refusal by the station included)
    TimedOut,     // an answer did not come in time
    Replaced,     // its owner asked for newer work instead
    Cancelled,    // the user stopped it ("Abbruch", a window closed)
    Disconnected, // "Trennen": the port is still open while the ending runs
    PortLost,     // the port vanished: nothing can be sent until the next session
};

class Job : public std::enable_shared_from_this<Job> {
  public:
    explicit Job(JobKind kind) : kind_(kind) {}
    virtual ~Job() = default;
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    JobKind kind() const { return kind_; }
    // Started and not yet ended.
    bool running() const { return started_ && !ended_; }
    bool ended() const { return ended_; }

    // Runs after the job's own ending, once, for whoever waits for it.
    void then(std::function<void(End)> follow) { follows_.push_back(std::move(follow)); }

  protected:
    // One step, run while the transmit buffer is free: when the job starts,
    // once its message is back (or given up), after every message received
    // and when its deadline has passed. True when the job is finished;
    // return finish(how) to end otherwise than Done.
    virtual bool step() = 0;
    // However the job ended; exactly once.
    virtual void ending(End how) { (void)how; }
    // The station's long acknowledge (its code) to a message sent with send().
    virtual void acked(int code) { (void)code; }

    // Puts a message (without checksum) into the transmit buffer; its long
    // acknowledge, if the station sends one, comes to acked() while the job
    // runs. False when the buffer is busy.
    bool send(const QByteArray& bytes);
    bool send(std::initializer_list<int> bytes);
    double now() const;
    // The current wait ends seconds from now: reached() from then on,
    // expired() once it is past (a time-out of that many seconds).
    void wait(double seconds);
    bool reached() const;
    bool expired() const;
    bool finish(End how)
    {
        how_ = how;
        return true;
    }
    ReqEngine& engine() const { return *engine_; }

    int Step = 0; // the job's own step

  private:
    friend class ReqEngine;
    JobKind kind_;
    ReqEngine* engine_ = nullptr;
    double deadline_ = -1; // -1: no wait
    End how_ = End::Done;
    bool started_ = false, ended_ = false;
    std::vector<std::function<void(End)>> follows_;
};

// One message and nothing awaited: finished once the message is back from
// the bus (or given up). A long acknowledge goes to onAck, which outlives the job.
class MessageJob : public Job {
  public:
    MessageJob(JobKind kind, QByteArray bytes, std::function<void(int)> onAck = {})
        : Job(kind), bytes_(std::move(bytes)), onAck_(std::move(onAck))
    {
    }

  protected:
    bool step() override;

  private:
    QByteArray bytes_;
    std::function<void(int)> onAck_;
};
