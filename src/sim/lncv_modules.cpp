#include "lncv_modules.h"

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
    if (message.size() != ln::PeerMessage::Length || !ln::LncvMessage::is(m))
        return std::nullopt;
    const ln::LncvMessage v(m);
    if (v.kind() == Kind::Answer)
        return std::nullopt;
    return LncvRequest{v.kind(), v.article(), v.lncv(), v.value()};
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
        case LncvRequest::Kind::Start:
            if (m.address() == r.value) {
                m.programming = true;
                answers.append(answer(m.article, 0, m.address()));
            }
            break;
        case LncvRequest::Kind::End: m.programming = false; break;
        case LncvRequest::Kind::Read:
            if (!m.programming)
                break;
            if (m.lncvs.contains(r.lncv))
                answers.append(answer(m.article, r.lncv, m.lncvs[r.lncv].value));
            else
                answers.append(ln::frame(ln::LongAck::make(ln::op::ImmPacket, LncvMissing)));
            break;
        case LncvRequest::Kind::Write:
            if (m.programming || m.awaitingLoco) {
                const uint8_t code = write(m, r.lncv, r.value);
                answers.append(ln::frame(ln::LongAck::make(ln::op::ImmPacket, code)));
                if (code == LncvOk && m.awaitingLoco && r.lncv == PultrixLocoLncv) {
                    m.awaitingLoco = false;
                    result.locoTaken = r.value;
                }
            }
            break;
        case LncvRequest::Kind::Answer: break;
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
    return ln::frame(ln::LncvMessage::answer(article, lncv, value));
}

} // namespace sim
