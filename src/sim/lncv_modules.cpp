#include "lncv_modules.h"

#include "answers.h"
#include "loconet/message.h"

namespace sim {

LncvModule LncvModule::make(int article, int address)
{
    LncvModule m;
    m.article = article;
    m.lncvs[0] = Lncv{address, 1, 65534};
    return m;
}

std::optional<LncvRequest> LncvRequest::parse(const QByteArray& message)
{
    const ln::Msg m(message);
    if (message.size() != 15 || m[3] != 0x05 || m[4] != 0x00 || (m[5] != 0x20 && m[5] != 0x21))
        return std::nullopt;
    const PeerData d = peerData(message);
    LncvRequest r{Read, d[0] | d[1] << 8, d[2] | d[3] << 8, d[4] | d[5] << 8};
    if (m[5] == 0x20)
        r.kind = Write;
    else if (d[6] & 0x80)
        r.kind = Start;
    else if (d[6] & 0x40)
        r.kind = End;
    return r;
}

LncvModule* LncvModules::find(int article, int address)
{
    for (LncvModule& m : modules_)
        if (m.article == article && m.address() == address)
            return &m;
    return nullptr;
}

LncvModules::Result LncvModules::request(const LncvRequest& r)
{
    Result result;
    QList<QByteArray>& answers = result.answers;
    for (LncvModule& m : modules_) {
        if (m.article != r.article)
            continue;
        switch (r.kind) {
        case LncvRequest::Start:
            if (m.address() == r.value) {
                m.programming = true;
                answers.append(answer(m.article, 0, m.address()));
            }
            break;
        case LncvRequest::End: m.programming = false; break;
        case LncvRequest::Read:
            if (!m.programming)
                break;
            if (m.lncvs.contains(r.lncv))
                answers.append(answer(m.article, r.lncv, m.lncvs[r.lncv].value));
            else
                answers.append(longAck(0xED, LncvMissing));
            break;
        case LncvRequest::Write:
            if (m.programming || m.awaitingLoco) {
                const uint8_t code = write(m, r.lncv, r.value);
                answers.append(longAck(0xED, code));
                if (code == LncvOk && m.awaitingLoco && r.lncv == PultrixLocoLncv) {
                    m.awaitingLoco = false;
                    result.locoTaken = r.value;
                }
            }
            break;
        }
    }
    return result;
}

uint8_t LncvModules::write(LncvModule& m, int lncv, int value)
{
    auto it = m.lncvs.find(lncv);
    if (it == m.lncvs.end())
        return LncvMissing;
    if (it->readOnly)
        return LncvReadOnly;
    if (value < it->min || value > it->max)
        return LncvInvalid;
    it->value = value;
    return LncvOk;
}

QByteArray LncvModules::announce(int device)
{
    LncvModule* m = find(PultrixArticle, device);
    if (!m)
        return {};
    m->awaitingLoco = true;
    return answer(PultrixArticle, 0, device);
}

int LncvModules::pultrixLoco(int device)
{
    const LncvModule* m = find(PultrixArticle, device);
    return m ? m->lncvs.value(PultrixLocoLncv).value : 0;
}

QByteArray LncvModules::answer(int article, int lncv, int value)
{
    return peerMessage(0x05, 0x00, 0x00, 0x1F,
                       {article & 0xFF, (article >> 8) & 0xFF, lncv & 0xFF, (lncv >> 8) & 0xFF,
                        value & 0xFF, (value >> 8) & 0xFF, 0});
}

} // namespace sim
