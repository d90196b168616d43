#pragma once
// Pieces shared by the monitor's texts for the short messages
// (describe.cpp) and for the long peer and command messages
// (describe_peer.cpp).

#include "message.h"
#include "views.h"

#include <QString>

namespace ln::text {

// Two hex digits, upper case.
QString hex2(int v);
// "OPC_PEER_XFER (E5 10 ...): nicht decodiert": for what cannot be read.
QString notDecoded(const Msg& m);
// "F0 F2 an", "F1 bis F4 aus", or "F12 F20 F28 aus" where the numbers do
// not follow each other.
QString functions(const FnStates& f);
// "rückwärts, F0 F2 an" for a direction byte.
QString directionAndFunctions(int dirf);
// "vorwärts" or "rückwärts".
QString direction(bool reverse);
// "ein" or "aus".
QString onOff(bool on);

// E5 and ED messages.
QString peer(const Msg& m);
QString immediate(const Msg& m);

} // namespace ln::text
