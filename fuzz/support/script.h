#pragma once
// A fuzz input read as a script of what happens at a port, so that one input
// can reach any state: chunks of bytes arriving, ticks of 10 ms, and jumps of
// the clock that run out time-outs. The seed recorder writes real traffic in
// the same form.
//
//   0x00..0x7F  c+1 bytes follow; they arrive in one chunk
//   0x80..0xBF  c-0x7F ticks
//   0xC0..0xFF  the clock jumps (c-0xBF) * 0.1 s

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace fuzz {

struct Step {
    enum Kind { Bytes, Ticks, Jump } kind = Bytes;
    QByteArray bytes;
    int ticks = 0;
    double seconds = 0;
};

class ScriptReader {
  public:
    ScriptReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

    bool next(Step& step)
    {
        if (p_ == end_)
            return false;
        const uint8_t c = *p_++;
        if (c < 0x80) {
            const size_t n = std::min<size_t>(size_t(c) + 1, size_t(end_ - p_));
            step = {Step::Bytes, QByteArray(reinterpret_cast<const char*>(p_), qsizetype(n))};
            p_ += n;
        } else if (c < 0xC0) {
            step = {Step::Ticks, {}, c - 0x7F};
        } else {
            step = {Step::Jump, {}, 0, (c - 0xBF) * 0.1};
        }
        return true;
    }

  private:
    const uint8_t* p_;
    const uint8_t* end_;
};

class ScriptWriter {
  public:
    void bytes(const QByteArray& b)
    {
        if (b.isEmpty())
            return;
        lastTicks_ = 0;
        for (qsizetype i = 0; i < b.size(); i += 128) {
            const QByteArray chunk = b.mid(i, 128);
            out.append(char(chunk.size() - 1)).append(chunk);
        }
    }
    // Consecutive ticks share one step where they fit.
    void ticks(int n)
    {
        if (lastTicks_ > 0 && lastTicks_ + n <= 64) {
            lastTicks_ += n;
            out[out.size() - 1] = char(0x7F + lastTicks_);
            return;
        }
        for (; n > 0; n -= 64) {
            lastTicks_ = std::min(n, 64);
            out.append(char(0x7F + lastTicks_));
        }
    }
    QByteArray out;

  private:
    int lastTicks_ = 0; // ticks in the last step, if it is a tick step
};

} // namespace fuzz
