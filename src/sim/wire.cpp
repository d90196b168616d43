#include "wire.h"

#include "loconet/message.h"

#include <algorithm>

namespace sim {

QList<QByteArray> MessageAssembler::feed(const QByteArray& bytes)
{
    QList<QByteArray> complete;
    for (char c : bytes) {
        const auto b = uint8_t(c);
        if (b & 0x80) {
            current_.clear();
            length_ = ln::opcodeLength(b);
        } else if (length_ == 0) {
            continue;
        } else if (length_ == -1) {
            // Byte 1 of a variable-length message: its total length.
            length_ = b >= 2 && b <= ln::MaxLen ? b : 0;
            if (length_ == 0) {
                current_.clear();
                continue;
            }
        }
        current_.append(c);
        if (current_.size() == length_) {
            complete.append(current_);
            current_.clear();
            length_ = 0;
        }
    }
    return complete;
}

bool Transmitter::queue(const QByteArray& message, double due)
{
    if (pace_ && queuedBytes_ + message.size() > MaxPacedBytes) {
        ++dropped_;
        return false;
    }
    queue_.emplace(due, Item{message});
    queuedBytes_ += message.size();
    return true;
}

QByteArray Transmitter::take(double now, const std::function<void(const QByteArray&)>& sent)
{
    constexpr double byteTime = 1.0 / WireBytesPerSecond;
    QByteArray out;
    while (!queue_.empty() && queue_.begin()->first <= now) {
        const double due = queue_.begin()->first;
        Item& item = queue_.begin()->second;
        while (item.written < item.bytes.size()) {
            if (pace_) {
                const double end = std::max(wireFree_, due) + byteTime;
                if (end > now)
                    return out; // the wire is busy until then
                wireFree_ = end;
            }
            out.append(item.bytes[item.written++]);
            --queuedBytes_;
        }
        sent(item.bytes);
        queue_.erase(queue_.begin());
    }
    return out;
}

double Transmitter::next_due() const
{
    if (queue_.empty())
        return -1;
    const double due = queue_.begin()->first;
    // Paced, the next byte leaves once the wire is free.
    return pace_ ? std::max(wireFree_, due) + 1.0 / WireBytesPerSecond : due;
}

} // namespace sim
