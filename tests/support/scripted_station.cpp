#include "scripted_station.h"

void ScriptedStation::poll()
{
    pending_ += bus_.readAll();
    while (!pending_.isEmpty()) {
        int len = ln::opcodeLength(uint8_t(pending_[0]));
        if (len < 0)
            len = pending_.size() > 1 ? uint8_t(pending_[1]) : 0;
        if (len <= 0 || pending_.size() < len)
            return;
        const QByteArray m = pending_.left(len);
        pending_.remove(0, len);
        heard << ln::hex(m);
        QByteArray out = (echo ? m : QByteArray()) + noise;
        const QString key = ln::hex(m.left(len - 1));
        if (replies_.contains(key))
            out += replies_[key];
        else if (uint8_t(m[0]) == 0xBC && switchState)
            out += ln::frame({0xB4, 0x3C, switchState});
        if (!out.isEmpty())
            bus_.write(out);
    }
}
