#pragma once
// The sensor reports a program dispatches, as sensor numbers 1..4096 in
// order, and the report message for a number.

#include "application/application.h"
#include "loconet/message.h"

#include <QList>

struct SensorLog {
    QList<int> numbers;
    explicit SensorLog(Application& core)
    {
        core.dispatch.on(0xB2, [this](const ln::Msg& m) {
            numbers << ((m[2] & 0x0F) * 256 + m[1] * 2 + ((m[2] & 0x20) >> 5)) + 1;
        });
    }
};

// "Sensor n occupied", checksum included.
inline QByteArray sensor_report(int n)
{
    const int a = n - 1;
    return ln::frame({0xB2, (a >> 1) & 0x7F, ((a >> 8) & 0x0F) | ((a & 1) << 5) | 0x10});
}
