#pragma once
// The command station's special options: numbered settings of one byte each,
// read and written one at a time (jobs 41, 42) or as a list (jobs 43, 44)
// with the 15-byte command message.

#include "core/services.h"

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

    int SONumber = 0;
    int SOValue = -1; // -1 while an answer is awaited
    std::array<int, ListSize> SOList{};
    std::array<int, ListSize> SOValues{};
    int SOIndex = 0;
    int SOLast = 0;

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

    // The read (command 2) or write (command 1) message for an option.
    bool put_option(int cmd, int number, int value);

  signals:
    void option_read(int number, int value); // job 41 has its answer
    void list_read();                        // job 43 has every value in SOValues

  private:
    enum class Wait { Waiting, Arrived, Failed };
    bool so_read();
    bool so_write();
    bool so_read_list();
    bool so_write_list();
    void send_read(int number);
    Wait await_value();
    void rx_value(const ln::Msg& m);
    void set_list(const QList<int>& numbers);
    void refuse(const QString& text);

    Services s_;
    int awaited_ = -1; // option number whose value is awaited; -1 none
};
