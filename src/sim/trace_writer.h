#pragma once
// Traffic log, one line per message: seconds, direction, hex bytes, as in
//    12.345  TX  82 7D

#include <QByteArray>
#include <QString>

class QIODevice;

namespace sim {

class TraceWriter {
  public:
    // The device stays the caller's; it must be open for writing.
    explicit TraceWriter(QIODevice* out) : out_(out) {}

    void line(double seconds, bool outgoing, const QByteArray& message);
    static QString format(double seconds, bool outgoing, const QByteArray& message);

  private:
    QIODevice* out_;
};

} // namespace sim
