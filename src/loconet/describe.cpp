#include "describe.h"

#include "describe_parts.h"

#include <QStringList>

namespace ln {
namespace text {
namespace {

const QString kNichtDecodiert = QStringLiteral("%1 (%2): nicht decodiert");
const QString kBusBelegt = QStringLiteral("Bus belegt");
const QString kStop = QStringLiteral("Gleisspannung aus (STOP)");
const QString kGo = QStringLiteral("Gleisspannung ein (GO)");
const QString kNothalt = QStringLiteral("Nothalt aller Loks");
const QString kFahrstufe = QStringLiteral("Slot %1: Fahrstufe %2");
const QString kHalt = QStringLiteral("Slot %1: Halt");
const QString kNotstopp = QStringLiteral("Slot %1: Nothalt");
const QString kSlotText = QStringLiteral("Slot %1: %2");
const QString kRichtung = QStringLiteral("%1, %2");
const QString kVor = QStringLiteral("vorwärts");
const QString kRueck = QStringLiteral("rückwärts");
const QString kAn = QStringLiteral("%1 an");
const QString kAlleAus = QStringLiteral("%1 bis %2 aus");
const QString kAus = QStringLiteral("%1 aus");
const QString kVerbund = QStringLiteral("Slot %1 im Verbund: %2");
const QString kVerbinden = QStringLiteral("Slot %1 mit Slot %2 verbinden");
const QString kLoesen = QStringLiteral("Slot %1 von Slot %2 lösen");
const QString kWeiche = QStringLiteral("Weiche %1: %2, Ausgang %3");
const QString kMitQuittung = QStringLiteral("%1, mit Quittung");
const QString kAbfrageAlle =
    QStringLiteral("Zustandsabfrage an alle Weichen und Rückmelder (Weiche %1: %2, Ausgang %3)");
const QString kGruen = QStringLiteral("grün");
const QString kRot = QStringLiteral("rot");
const QString kEin = QStringLiteral("ein");
const QString kAusZustand = QStringLiteral("aus");
const QString kWeicheAusgaenge = QStringLiteral("Weichenmeldung %1: Ausgang grün %2, rot %3");
const QString kWeicheEingang = QStringLiteral("Weichenmeldung %1: %2 %3");
const QString kWeichenEingang = QStringLiteral("Weicheneingang");
const QString kHilfsEingang = QStringLiteral("Hilfseingang");
const QString kWeicheAbfrage = QStringLiteral("Weichenstellung abfragen: Weiche %1");
const QString kMelder = QStringLiteral("Rückmelder %1: %2");
const QString kBelegt = QStringLiteral("belegt");
const QString kFrei = QStringLiteral("frei");
const QString kQuittung = QStringLiteral("Quittung auf %1: %2");
const QString kAngenommen = QStringLiteral("angenommen");
const QString kAbgelehnt = QStringLiteral("abgelehnt");
const QString kAbgelehntCode = QStringLiteral("abgelehnt (Code %1)");
const QString kCode = QStringLiteral("Code %1");
const QString kNichtBearbeitet = QStringLiteral("nicht bearbeitet");
const QString kWeicheSteht = QStringLiteral("Weiche steht %1");
const QString kStellungUnbekannt = QStringLiteral("Stellung unbekannt (Code %1)");
const QString kLokNichtAngemeldet = QStringLiteral("Lok konnte nicht angemeldet werden");
const QString kVerschiebenAbgelehnt = QStringLiteral("Slot nicht verschoben");
const QString kSlotFehlt = QStringLiteral("Slot nicht vorhanden");
const QString kLncvCode = QStringLiteral("abgelehnt (Code %1, bei LNCV: %2)");
const QString kLncvCodes[] = {QStringLiteral("LNCV nicht vorhanden"),
                              QStringLiteral("LNCV schreibgeschützt"),
                              QStringLiteral("Wert nicht gültig")};
const QString kProgBelegt = QStringLiteral("Programmiergleis belegt, Auftrag abgebrochen");
const QString kProgAngenommen = QStringLiteral("Programmierauftrag angenommen");
const QString kProgBlind = QStringLiteral("Programmierauftrag angenommen, keine Antwort folgt");
const QString kProg7F =
    QStringLiteral("Slot geschrieben; als Antwort auf einen Programmierauftrag: nicht unterstützt");
const QString kLokAnfordern = QStringLiteral("Lok %1 anfordern");
const QString kSlotAnfordern = QStringLiteral("Slotdaten anfordern: Slot %1");
const QString kSlotStatus = QStringLiteral("Slot %1: Status %2 setzen");
const QString kSlotBelegen = QStringLiteral("Slot %1 in Gebrauch nehmen");
const QString kSlotDispatch = QStringLiteral("Slot %1 an Dispatch übergeben");
const QString kSlotVerschieben = QStringLiteral("Slot %1 nach Slot %2 verschieben");
const QString kDispatchHolen = QStringLiteral("Dispatch-Lok holen");
const QString kTransponderDa = QStringLiteral("Transponder: Lok %1 in Abschnitt %2 erkannt");
const QString kTransponderWeg = QStringLiteral("Transponder: Lok %1 hat Abschnitt %2 verlassen");
const QString kLeistung = QStringLiteral("Leistungsmodul %1: %2");
const QString kBereich = QStringLiteral("Bereich %1 %2");
const QString kKehrschleife = QStringLiteral("Kehrschleife %1");
const QString kUmgepolt = QStringLiteral("umgepolt");
const QString kNormal = QStringLiteral("normal");
const QString kKurzschluss = QStringLiteral("Kurzschluss");
const QString kInOrdnung = QStringLiteral("in Ordnung");
const QString kSlotDaten = QStringLiteral("Slot %1: Lok %2, %3, Fahrstufe %4, %5");
const QString kSlotSchreiben = QStringLiteral("Slot %1 schreiben: Lok %2, %3, Fahrstufe %4, %5");
const QString kSlotErweitert = QStringLiteral("Slot %1 (erweitert): Lok %2, %3, Fahrstufe %4");
const QString kSlotErweitertSchreiben =
    QStringLiteral("Slot %1 (erweitert) schreiben: Lok %2, %3, Fahrstufe %4");
const QString kZentraleSlot = QStringLiteral("Slot 0: Zentralen-Daten");
const QString kZentraleSlotSchreiben = QStringLiteral("Slot 0 schreiben: Zentralen-Daten");
const QString kOptionen = QStringLiteral("Slot %1: Optionen der Zentrale (Bits nicht decodiert)");
const QString kOptionenSchreiben =
    QStringLiteral("Slot %1 schreiben: Optionen der Zentrale (Bits nicht decodiert)");
const QString kUhr = QStringLiteral("Modelluhr: %1, Tag %2, %3");
const QString kUhrStellen = QStringLiteral("Modelluhr stellen: %1, Tag %2, %3");
const QString kUhrzeit = QStringLiteral("%1:%2 Uhr");
const QString kUhrzeitUngueltig = QStringLiteral("Uhrzeit nicht decodiert");
const QString kFaktor = QStringLiteral("Faktor %1");
const QString kAngehalten = QStringLiteral("angehalten");
const QString kTabelleLesen = QStringLiteral("Tabelle %1, Block %2 lesen");
const QString kTabelleSchreiben =
    QStringLiteral("Tabelle %1, Block %2 schreiben (Inhalt nicht decodiert)");
const QString kTabelle = QStringLiteral("Tabelle %1, Block %2 (Inhalt nicht decodiert)");
const QString kProgLesen = QStringLiteral("%1: CV %2 lesen");
const QString kProgSchreiben = QStringLiteral("%1: CV %2 = %3 schreiben");
const QString kProgGelesen = QStringLiteral("Antwort %1: CV %2 = %3");
const QString kProgGeschrieben = QStringLiteral("Antwort %1: CV %2 = %3 geschrieben");
const QString kProgFehlgeschlagen = QStringLiteral("Antwort %1: CV %2 %3 fehlgeschlagen: %4");
const QString kLesen = QStringLiteral("lesen");
const QString kSchreiben = QStringLiteral("schreiben");
const QString kStatusUnbekannt = QStringLiteral("%1 (Status %2 nicht decodiert)");
const QString kStatusBits[] = {QStringLiteral("kein Decoder"),
                               QStringLiteral("keine Schreibquittung"),
                               QStringLiteral("keine Lesequittung"), QStringLiteral("abgebrochen")};
const QString kProgGleis = QStringLiteral("Programmiergleis (%1)");
const QString kHauptgleis = QStringLiteral("Hauptgleis, Lok %1 (%2)");
const QString kModi[] = {QStringLiteral("Paged"), QStringLiteral("Direct"),
                         QStringLiteral("Direct, Bit"), QStringLiteral("Register")};
const QString kMitRueckmeldung = QStringLiteral("mit Rückmeldung");
const QString kOhneRueckmeldung = QStringLiteral("ohne Rückmeldung");
const QString kBit = QStringLiteral(", Bit");
const QString kKennixLok = QStringLiteral("Zugerkennung Melder %1: Lok %2, Kategorie %3%4");
const QString kKennixTempo = QStringLiteral("Zugerkennung Melder %1: %2 km/h");
const QString kKennixLoeschen = QStringLiteral("Zugerkennung Melder %1: Anzeige löschen");
const QString kS1S2 = QStringLiteral(", S1 nach S2");
const QString kS2S1 = QStringLiteral(", S2 nach S1");
const QString kStatus[] = {QStringLiteral("frei"), QStringLiteral("allgemein"),
                           QStringLiteral("ruhend"), QStringLiteral("in Gebrauch")};

QString speed(const LocoSpeed& v)
{
    if (v.speed() == 0)
        return kHalt.arg(v.slot());
    if (v.speed() == 1)
        return kNotstopp.arg(v.slot());
    return kFahrstufe.arg(v.slot()).arg(v.speed());
}

QString switchRequest(const SwitchRequest& v)
{
    const QString text = (v.interrogate() ? kAbfrageAlle : kWeiche)
                             .arg(v.address() + 1)
                             .arg(v.green() ? kGruen : kRot, onOff(v.on()));
    return v.m.op() == op::SwAck ? kMitQuittung.arg(text) : text;
}

QString switchReport(const SwitchReport& v)
{
    if (v.inputForm())
        return kWeicheEingang.arg(v.address() + 1)
            .arg(v.switchInput() ? kWeichenEingang : kHilfsEingang, onOff(v.level()));
    return kWeicheAusgaenge.arg(v.address() + 1).arg(onOff(v.greenOn()), onOff(v.redOn()));
}

QString ackMeaning(uint8_t op, int code)
{
    switch (op) {
    case op::SwReq:
    case op::SwAck:
        return code == 0x7F ? kAngenommen : code == 0 ? kNichtBearbeitet : kCode.arg(code);
    case op::SwState:
        return code == 0x30   ? kWeicheSteht.arg(kGruen)
               : code == 0x50 ? kWeicheSteht.arg(kRot)
                              : kStellungUnbekannt.arg(hex2(code));
    case op::LocoAdr:
    case op::LocoAdrAlt:
        if (code == 0)
            return kLokNichtAngemeldet;
        break;
    case op::MoveSlots:
        if (code == 0)
            return kVerschiebenAbgelehnt;
        break;
    case op::RqSlData:
        if (code == 0)
            return kSlotFehlt;
        break;
    case op::ImmPacket:
        if (code >= 1 && code <= 3)
            return kLncvCode.arg(code).arg(kLncvCodes[code - 1]);
        if (code != 0x7F)
            return kAbgelehntCode.arg(code);
        break;
    case op::WrSlData:
        switch (code) {
        case 0x00: return kProgBelegt;
        case 0x01: return kProgAngenommen;
        case 0x40: return kProgBlind;
        case 0x7F: return kProg7F;
        default: break;
        }
        break;
    default: break;
    }
    return code == 0x7F ? kAngenommen : code == 0 ? kAbgelehnt : kCode.arg(code);
}

QString move(const MoveSlots& v)
{
    if (v.from() == 0)
        return kDispatchHolen;
    if (v.to() == 0)
        return kSlotDispatch.arg(v.from());
    if (v.from() == v.to())
        return kSlotBelegen.arg(v.from());
    return kSlotVerschieben.arg(v.from()).arg(v.to());
}

QString multiSense(const MultiSense& v)
{
    switch (v.kind()) {
    case MultiSense::Kind::Present: return kTransponderDa.arg(v.loco()).arg(v.zone() + 1);
    case MultiSense::Kind::Absent: return kTransponderWeg.arg(v.loco()).arg(v.zone() + 1);
    default: break;
    }
    if (!v.powerStatus())
        return notDecoded(v.m);
    QStringList districts;
    for (int d = 0; d < 4; ++d) {
        const QString state = v.autoReverse(d)
                                  ? kKehrschleife.arg(v.tripped(d) ? kUmgepolt : kNormal)
                                  : (v.tripped(d) ? kKurzschluss : kInOrdnung);
        districts << kBereich.arg(d + 1).arg(state);
    }
    return kLeistung.arg(v.board()).arg(districts.join(QStringLiteral(", ")));
}

QString trainId(const TrainIdReport& v)
{
    switch (v.kind()) {
    case TrainIdReport::Kind::Loco: {
        const auto d = v.direction();
        const QString dir = d == TrainIdReport::Direction::S1toS2   ? kS1S2
                            : d == TrainIdReport::Direction::S2toS1 ? kS2S1
                                                                    : QString();
        return kKennixLok.arg(v.receiver()).arg(v.loco()).arg(v.category() + 1).arg(dir);
    }
    case TrainIdReport::Kind::Speed: return kKennixTempo.arg(v.receiver()).arg(v.kmh());
    case TrainIdReport::Kind::Clear: return kKennixLoeschen.arg(v.receiver());
    default: return notDecoded(v.m);
    }
}

QString twoDigits(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

QString fastClock(const FastClock& v)
{
    const int h = v.hour(), min = v.minute();
    const QString time =
        h < 0 || min < 0 ? kUhrzeitUngueltig : kUhrzeit.arg(twoDigits(h), twoDigits(min));
    const QString rate = v.rate() ? kFaktor.arg(v.rate()) : kAngehalten;
    return (v.m.op() == op::WrSlData ? kUhrStellen : kUhr).arg(time).arg(v.days()).arg(rate);
}

QString progWhere(const ProgTask& v)
{
    const auto mode = v.mode();
    if (mode == ProgTask::Mode::OpsByte || mode == ProgTask::Mode::OpsBit)
        return kHauptgleis.arg(v.opsAddress())
            .arg((v.feedback() ? kMitRueckmeldung : kOhneRueckmeldung) +
                 (mode == ProgTask::Mode::OpsBit ? kBit : QString()));
    return kProgGleis.arg(kModi[int(mode)]);
}

QString progStatus(int status)
{
    QStringList reasons;
    for (int b = 0; b < 4; ++b)
        if (status >> b & 1)
            reasons << kStatusBits[b];
    return reasons.join(QStringLiteral(", "));
}

QString progTask(const ProgTask& v)
{
    if (v.mode() == ProgTask::Mode::Reserved)
        return notDecoded(v.m);
    const QString where = progWhere(v);
    if (v.m.op() == op::WrSlData)
        return v.write() ? kProgSchreiben.arg(where).arg(v.cv()).arg(v.value())
                         : kProgLesen.arg(where).arg(v.cv());
    const QString failed = progStatus(v.status());
    if (!failed.isEmpty())
        return kProgFehlgeschlagen.arg(where).arg(v.cv()).arg(v.write() ? kSchreiben : kLesen,
                                                              failed);
    QString text =
        (v.write() ? kProgGeschrieben : kProgGelesen).arg(where).arg(v.cv()).arg(v.value());
    if (v.status())
        text = kStatusUnbekannt.arg(text, hex2(v.status()));
    return text;
}

QString locoSlot(const QString& form, const SlotData& v)
{
    return form.arg(v.slot())
        .arg(v.address())
        .arg(direction(reverse(v.dirf())))
        .arg(v.speed())
        .arg(kStatus[(v.status() >> 4) & 3]);
}

QString slotData(const Msg& m)
{
    if (!SlotData::is(m))
        return notDecoded(m);
    const SlotData v(m);
    const int s = v.slot();
    if (s == slot::Station)
        return v.write() ? kZentraleSlotSchreiben : kZentraleSlot;
    if (s >= slot::FirstLoco && s <= slot::LastLoco)
        return locoSlot(v.write() ? kSlotSchreiben : kSlotDaten, v);
    switch (s) {
    case slot::FastClock: return fastClock(FastClock(m));
    case slot::Programmer: return progTask(ProgTask(m));
    case slot::Options:
    case slot::MoreOptions: return (v.write() ? kOptionenSchreiben : kOptionen).arg(s);
    default: return notDecoded(m);
    }
}

QString slotDataExt(const Msg& m)
{
    if (TableData::is(m)) {
        const TableData v(m);
        if (v.write() && v.task() == 2)
            return kTabelleLesen.arg(v.table()).arg(v.block());
        if (v.write() && v.task() == 3)
            return kTabelleSchreiben.arg(v.table()).arg(v.block());
        return v.write() ? notDecoded(m) : kTabelle.arg(v.table()).arg(v.block());
    }
    if (!SlotDataExt::is(m))
        return notDecoded(m);
    const SlotDataExt v(m);
    return (v.write() ? kSlotErweitertSchreiben : kSlotErweitert)
        .arg(v.slot())
        .arg(v.address())
        .arg(direction(reverse(v.dirf())))
        .arg(v.speed());
}

} // namespace

QString hex2(int v)
{
    return hex(QByteArray(1, char(v)));
}

QString direction(bool reverse)
{
    return reverse ? kRueck : kVor;
}

QString onOff(bool on)
{
    return on ? kEin : kAusZustand;
}

QString notDecoded(const Msg& m)
{
    return kNichtDecodiert.arg(opcodeName(m.op()), hex(m.bytes()));
}

QString functions(const FnStates& f)
{
    QStringList on, all;
    int last = -1;
    bool contiguous = true;
    for (int n = 0; n <= 28; ++n) {
        if (!f.has(n))
            continue;
        const QString name = QStringLiteral("F%1").arg(n);
        if (last >= 0 && n != last + 1)
            contiguous = false;
        last = n;
        all << name;
        if (f.isOn(n))
            on << name;
    }
    if (!on.isEmpty())
        return kAn.arg(on.join(u' '));
    if (contiguous && all.size() > 1)
        return kAlleAus.arg(all.first(), all.last());
    return kAus.arg(all.join(u' '));
}

QString directionAndFunctions(int dirf)
{
    return kRichtung.arg(direction(reverse(dirf)), functions(dirfFunctions(dirf)));
}

} // namespace text

QString describe(const QByteArray& bytes)
{
    using namespace text;
    const Msg m(bytes);
    if (bytes.isEmpty())
        return notDecoded(m);
    switch (m.op()) {
    case op::Busy: return kBusBelegt;
    case op::GpOff: return kStop;
    case op::GpOn: return kGo;
    case op::Idle: return kNothalt;
    case op::LocoSpd: return speed(LocoSpeed(m));
    case op::LocoDirf: {
        const LocoDirf v(m);
        return kSlotText.arg(v.slot()).arg(directionAndFunctions(v.dirf()));
    }
    case op::LocoSnd: {
        const LocoSound v(m);
        return kSlotText.arg(v.slot()).arg(functions(v.functions()));
    }
    case op::LocoF9F12: {
        const LocoF9F12 v(m);
        return kSlotText.arg(v.slot()).arg(functions(v.functions()));
    }
    case op::SwReq:
    case op::SwAck: return switchRequest(SwitchRequest(m));
    case op::SwRep: return switchReport(SwitchReport(m));
    case op::InputRep: {
        const SensorReport v(m);
        return kMelder.arg(v.sensor() + 1).arg(v.occupied() ? kBelegt : kFrei);
    }
    case op::LongAck: {
        const LongAck v(m);
        return kQuittung.arg(hex2(v.answers()), ackMeaning(v.answers(), v.code()));
    }
    case op::SlotStat1: {
        const SlotStatus v(m);
        return kSlotStatus.arg(v.slot()).arg(kStatus[(v.status() >> 4) & 3]);
    }
    case op::ConsistFunc: {
        const ConsistFunc v(m);
        return kVerbund.arg(v.slot()).arg(functions(dirfFunctions(v.dirf())));
    }
    case op::UnlinkSlots:
    case op::LinkSlots: {
        const LinkSlots v(m);
        return (v.link() ? kVerbinden : kLoesen).arg(v.first()).arg(v.second());
    }
    case op::MoveSlots: return move(MoveSlots(m));
    case op::RqSlData: return kSlotAnfordern.arg(SlotRequest(m).slot());
    case op::SwState: return kWeicheAbfrage.arg(SwitchState(m).address() + 1);
    case op::LocoAdrAlt:
    case op::LocoAdr: return kLokAnfordern.arg(LocoRequest(m).address());
    case op::MultiSense: return multiSense(MultiSense(m));
    case op::FnGroup: {
        const FunctionGroup v(m);
        const FnStates f = v.functions();
        if (!FunctionGroup::is(m) || !f.covered)
            return notDecoded(m);
        return kSlotText.arg(v.slot()).arg(functions(f));
    }
    case op::TrainId: return TrainIdReport::is(m) ? trainId(TrainIdReport(m)) : notDecoded(m);
    case op::PeerXfer: return peer(m);
    case op::SlRdDataExt:
    case op::WrSlDataExt: return slotDataExt(m);
    case op::SlRdData:
    case op::WrSlData: return slotData(m);
    case op::ImmPacket: return immediate(m);
    default: return notDecoded(m);
    }
}

} // namespace ln
