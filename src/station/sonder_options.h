#pragma once
// The command station's special options: numbered settings of one byte each,
// read and written one at a time or as a list with the 15-byte command
// message; and the reset of the station's configuration.

#include "core/services.h"
#include "requests/engine.h"

#include <QList>
#include <QObject>
#include <array>

namespace ln {
class Msg;
}

class SonderOptions : public QObject {
    Q_OBJECT
  public:
    explicit SonderOptions(const Services& s);

    static constexpr int MaxNumber = 1023; // ten bits on the wire
    static constexpr int MaxValue = 255;
    static constexpr int ListSize = 11;
    static constexpr double AnswerTimeout = 2.0;

    // The values of the last list read, in the order asked.
    std::array<int, ListSize> SOValues{};

    // The window's "Lesen" and "Programmieren": a text that cannot be read,
    // or an action that cannot run now, is refused with a box and nothing
    // is sent. A number above 1023 is refused rather than sent without its
    // upper bits, which would name another option.
    bool read(const QString& numberText);
    bool write(const QString& numberText, const QString& valueText);
    // Reads the options one after another (at most ListSize). A read the
    // window makes on its own: when it cannot run now, false without a box.
    bool read_list(const QList<int>& numbers);
    // The list read is still running.
    bool reading_list() const;
    // Writes them; refused with a box like write().
    bool write_list(const QList<int>& numbers, const QList<int>& values);
    // The reset command: 0 the configuration, 1 the loco data formats.
    // Once asked for, nothing cuts it off: the station restarts with it.
    bool reset(int what);

  signals:
    void option_read(int number, int value); // a single read has its answer
    void list_read();                        // every value of the list is in SOValues

  private:
    class ReadJob;
    class WriteJob;
    void rx_value(const ln::Msg& m);
    void refuse(const QString& text);

    Services s_;
    // The read waiting for its value: only its option's answer counts.
    ReadJob* reading_ = nullptr;
};
