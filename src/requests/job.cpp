#include "job.h"

#include "core/clock.h"
#include "engine.h"

bool Job::send(const QByteArray& bytes)
{
    // The handler holds the job weakly: an acknowledge after its end is nobody's.
    std::weak_ptr<Job> self = weak_from_this();
    return engine_->link().put(bytes, [self](int code) {
        if (const auto job = self.lock(); job && job->running())
            job->acked(code);
    });
}

bool Job::send(std::initializer_list<int> bytes)
{
    return send(ln::bytes(bytes));
}

double Job::now() const
{
    return engine_->clock().now();
}

void Job::wait(double seconds)
{
    deadline_ = now() + seconds;
}

bool Job::reached() const
{
    return deadline_ >= 0 && now() >= deadline_;
}

bool Job::expired() const
{
    return deadline_ >= 0 && now() > deadline_;
}

bool MessageJob::step()
{
    // Step 1 runs once the message is back or given up.
    if (Step > 0)
        return true;
    Step = 1;
    return !engine().link().put(bytes_, onAck_); // nothing to send: done at once
}
