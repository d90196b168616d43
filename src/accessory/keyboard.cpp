#include "keyboard.h"

#include "core/core.h"

namespace {
const QString kKeineAntwortMagArt = QStringLiteral("Keine Antwort auf Mag.Art.Abfrage erhalten!");
}

Keyboard::Keyboard(Core& core) : core_(core)
{
    core.req.registerJob(1, [this] { return state_poll(); });
    core.dispatch.sw_state_answer = [this](const ln::Msg& m) { sw_state_answer(m); };
}

void Keyboard::poll_page()
{
    core_.req.ReqAdr = KeybBase - 1;
    core_.req.post(1);
}

bool Keyboard::state_poll()
{
    ReqEngine& req = core_.req;
    const double now = core_.clock.now();
    if (req.ReqStep == 0) {
        req.ReqAdr += 1;
        if (req.ReqAdr > KeybBase + 15 || req.ReqAdr < 0 || req.ReqAdr > 2047)
            return true;
        const int a = req.ReqAdr;
        core_.link.put({0xBC, a & 0x7F, (a / 128) & 0x0F});
        req.ReqStep = 1;
        req.ReqTime = now;
        return false;
    }
    if (now - req.ReqTime > AnswerTimeout) {
        core_.msgs.show(titles::Fehler, kKeineAntwortMagArt, MsgIcon::Critical);
        return true;
    }
    return false;
}

void Keyboard::sw_state_answer(const ln::Msg& m)
{
    ReqEngine& req = core_.req;
    if (req.ReqAdr >= KeybBase && req.ReqAdr <= KeybBase + 15) {
        if (m[2] == 0x30)
            emit kb_anz(req.ReqAdr - KeybBase, colour::Green);
        else if (m[2] == 0x50)
            emit kb_anz(req.ReqAdr - KeybBase, colour::Red);
    }
    req.ReqStep = 0; // the poll goes on with the next address
}
