#pragma once
// A station that echoes every message the program sends and answers the
// requests it was told about: the smallest peer for sequence tests.

#include "loconet/memory_port.h"
#include "loconet/message.h"

#include <QHash>
#include <QStringList>

class ScriptedStation {
  public:
    explicit ScriptedStation(MemoryPort& bus) : bus_(bus) {}

    // Answer (checksum included) to a request given as hex without checksum.
    void answer(const QString& request, const QByteArray& reply) { replies_[request] = reply; }
    void forget(const QString& request) { replies_.remove(request); }
    // Answers every switch-state query with this code (0 = no answer).
    int switchState = 0x30;
    bool echo = true;
    // Other devices' messages that reach the bus after each echo.
    QByteArray noise;

    // Messages received so far, hex with checksum.
    QStringList heard;

    void poll();

  private:
    MemoryPort& bus_;
    QByteArray pending_;
    QHash<QString, QByteArray> replies_;
};
