#include "keyboard.h"

#include "core/clock.h"
#include "core/messages.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "requests/engine.h"

namespace {
const QString kKeineAntwortMagArt = QStringLiteral("Keine Antwort auf Mag.Art.Abfrage erhalten!");
}

Keyboard::Keyboard(const Services& s) : s_(s)
{
    s.req.registerJob(1, [this] { return state_poll(); });
    s.dispatch.sw_state_answer = [this](const ln::Msg& m) { sw_state_answer(m); };
}

void Keyboard::poll_page()
{
    s_.req.ReqAdr = KeybBase - 1;
    s_.req.post(1);
}

bool Keyboard::state_poll()
{
    ReqEngine& req = s_.req;
    const double now = s_.clock.now();
    if (req.ReqStep == 0) {
        req.ReqAdr += 1;
        if (req.ReqAdr > KeybBase + 15 || req.ReqAdr < 0 || req.ReqAdr > 2047)
            return true;
        const int a = req.ReqAdr;
        s_.link.put({0xBC, a & 0x7F, (a / 128) & 0x0F});
        req.ReqStep = 1;
        req.ReqTime = now;
        return false;
    }
    if (now - req.ReqTime > AnswerTimeout) {
        s_.msgs.show(titles::Fehler, kKeineAntwortMagArt, MsgIcon::Critical);
        return true;
    }
    return false;
}

void Keyboard::sw_state_answer(const ln::Msg& m)
{
    ReqEngine& req = s_.req;
    if (req.ReqAdr >= KeybBase && req.ReqAdr <= KeybBase + 15) {
        if (m[2] == 0x30)
            emit kb_anz(req.ReqAdr - KeybBase, colour::Green);
        else if (m[2] == 0x50)
            emit kb_anz(req.ReqAdr - KeybBase, colour::Red);
    }
    req.ReqStep = 0; // the poll goes on with the next address
}
