#pragma once
// One line of German plain text for a LocoNet message, as the monitor shows
// it: what the message asks or reports, with its address, slot or value.

#include <QByteArray>
#include <QString>

namespace ln {

QString describe(const QByteArray& message);

} // namespace ln
