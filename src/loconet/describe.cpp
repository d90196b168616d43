#include "describe.h"

#include "message.h"

#include <QStringList>

namespace ln {
namespace {

const QString kUnbekannt = QStringLiteral("unbekannt");
const QString kBusBelegt = QStringLiteral("Bus belegt");
const QString kStop = QStringLiteral("Gleisspannung aus (STOP)");
const QString kGo = QStringLiteral("Gleisspannung ein (GO)");
const QString kNothalt = QStringLiteral("Nothalt aller Loks");
const QString kFahrstufe = QStringLiteral("Slot %1: Fahrstufe %2");
const QString kHalt = QStringLiteral("Slot %1: Halt");
const QString kNotstopp = QStringLiteral("Slot %1: Nothalt");
const QString kRichtung = QStringLiteral("Slot %1: %2, %3");
const QString kVor = QStringLiteral("vorwärts");
const QString kRueck = QStringLiteral("rückwärts");
const QString kFunktionen = QStringLiteral("Slot %1: %2");
const QString kAn = QStringLiteral("%1 an");
const QString kAlleAus = QStringLiteral("%1 bis %2 aus");
const QString kGruppe = QStringLiteral("Slot %1: Funktionsgruppe %2 = %3");
const QString kWeiche = QStringLiteral("Weiche %1: %2, Ausgang %3");
const QString kGruen = QStringLiteral("grün");
const QString kRot = QStringLiteral("rot");
const QString kEin = QStringLiteral("ein");
const QString kAus = QStringLiteral("aus");
const QString kWeicheMeldung = QStringLiteral("Weichenmeldung %1");
const QString kWeicheAbfrage = QStringLiteral("Weichenstellung abfragen: Weiche %1");
const QString kMelder = QStringLiteral("Rückmelder %1: %2");
const QString kBelegt = QStringLiteral("belegt");
const QString kFrei = QStringLiteral("frei");
const QString kQuittung = QStringLiteral("Quittung auf %1: %2");
const QString kNichtBearbeitet = QStringLiteral("nicht bearbeitet");
const QString kWeicheSteht = QStringLiteral("Weiche steht %1");
const QString kStellungUnbekannt = QStringLiteral("Stellung unbekannt");
const QString kLokNichtAngemeldet = QStringLiteral("Lok konnte nicht angemeldet werden");
const QString kAngenommen = QStringLiteral("angenommen");
const QString kAbgelehnt = QStringLiteral("abgelehnt (Code %1)");
const QString kCode = QStringLiteral("Code %1");
const QString kLokAnfordern = QStringLiteral("Lok %1 anfordern");
const QString kSlotAnfordern = QStringLiteral("Slotdaten anfordern: Slot %1");
const QString kSlotStatus = QStringLiteral("Slot %1: Status %2 setzen");
const QString kSlotBelegen = QStringLiteral("Slot %1 in Gebrauch nehmen");
const QString kSlotDispatch = QStringLiteral("Slot %1 an Dispatch übergeben");
const QString kSlotVerschieben = QStringLiteral("Slot %1 nach Slot %2 verschieben");
const QString kDispatchHolen = QStringLiteral("Dispatch-Lok holen");
const QString kSlotDaten = QStringLiteral("Slot %1: Lok %2, %3, Fahrstufe %4, %5");
const QString kSlotSchreiben = QStringLiteral("Slot %1 schreiben: Lok %2, %3, Fahrstufe %4, %5");
const QString kSlotErweitert = QStringLiteral("Slot %1 (erweitert): Lok %2, %3, Fahrstufe %4");
const QString kZentraleSlot = QStringLiteral("Slot 0: Zentralen-Daten");
const QString kProgWert = QStringLiteral("Programmiergleis: Wert %1");
const QString kProgFehler = QStringLiteral("Programmiergleis: Fehler %1");
const QString kProgLesen = QStringLiteral("Programmiergleis: CV %1 lesen");
const QString kProgSchreiben = QStringLiteral("Programmiergleis: CV %1 = %2 schreiben");
const QString kProgEin = QStringLiteral("Programmiermodus ein");
const QString kProgAus = QStringLiteral("Programmiermodus aus");
const QString kBefehl = QStringLiteral("Befehl %1");
const QString kSoSchreiben = QStringLiteral("Sonderoption %1 = %2 schreiben");
const QString kSoLesen = QStringLiteral("Sonderoption %1 lesen");
const QString kSoWert = QStringLiteral("Sonderoption: Wert %1");
const QString kVersionLesen = QStringLiteral("Softwareversion lesen");
const QString kSerieLesen = QStringLiteral("Seriennummer lesen");
const QString kVersion = QStringLiteral("Softwareversion %1.%2%3%4");
const QString kSerie = QStringLiteral("Seriennummer %1");
const QString kFormatSchreiben = QStringLiteral("Lokdatenformat Lok %1 = Code %2 schreiben");
const QString kFormatLesen = QStringLiteral("Lokdatenformat Lok %1 lesen");
const QString kFormat = QStringLiteral("Lokdatenformat Lok %1: Code %2");
const QString kZuruecksetzen = QStringLiteral("Zentrale zurücksetzen: %1");
const QString kKonfiguration = QStringLiteral("Konfiguration");
const QString kLokdatenformat = QStringLiteral("Lokdatenformat");
const QString kRichtungWechsel = QStringLiteral("Slot %1: Richtung wechseln");
const QString kLncvSchreiben = QStringLiteral("LNCV schreiben: Artikel %1, LNCV %2 = %3");
const QString kLncvLesen = QStringLiteral("LNCV lesen: Artikel %1, LNCV %2");
const QString kLncvStart = QStringLiteral("LNCV-Programmierung starten: Artikel %1, Modul %2");
const QString kLncvEnde = QStringLiteral("LNCV-Programmierung beenden: Artikel %1, Modul %2");
const QString kLncvAntwort = QStringLiteral("LNCV-Antwort: Artikel %1, LNCV %2 = %3");
const QString kPeer = QStringLiteral("Peer-Nachricht, Befehl %1");
const QString kKennixLok = QStringLiteral("Zugerkennung Melder %1: Lok %2, Kategorie %3%4");
const QString kKennixTempo = QStringLiteral("Zugerkennung Melder %1: %2 km/h");
const QString kKennixLoeschen = QStringLiteral("Zugerkennung Melder %1: Anzeige löschen");
const QString kS1S2 = QStringLiteral(", S1 nach S2");
const QString kS2S1 = QStringLiteral(", S2 nach S1");
const QString kStatus[] = {QStringLiteral("frei"), QStringLiteral("allgemein"),
                           QStringLiteral("ruhend"), QStringLiteral("in Gebrauch")};

QString hex2(int v)
{
    return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
}

// "F1 F3 an" for the set bits, or "F1 bis F4 aus".
QString functions(int bits, const int* numbers, int count)
{
    QStringList on;
    for (int k = 0; k < count; ++k)
        if (bits & (1 << k))
            on << QStringLiteral("F%1").arg(numbers[k]);
    if (on.isEmpty())
        return kAlleAus.arg(QStringLiteral("F%1").arg(numbers[0]),
                            QStringLiteral("F%1").arg(numbers[count - 1]));
    return kAn.arg(on.join(u' '));
}

QString speed(int slot, int spd)
{
    if (spd == 0)
        return kHalt.arg(slot);
    if (spd == 1)
        return kNotstopp.arg(slot);
    return kFahrstufe.arg(slot).arg(spd);
}

QString dirf(int slot, int v)
{
    static const int f[] = {0, 1, 2, 3, 4};
    const int bits = (v & 0x10) >> 4 | (v & 0x0F) << 1; // F0 is bit 4 on the wire
    return kRichtung.arg(slot).arg(v & 0x20 ? kRueck : kVor, functions(bits, f, 5));
}

// Accessory and switch-query address, shown 1-based as the user types it.
int switch_number(const Msg& m)
{
    return (m[1] | (m[2] & 0x0F) << 7) + 1;
}

QString ack(const Msg& m)
{
    const int op = m[1] | 0x80, code = m[2];
    QString what;
    switch (op) {
    case 0xB0: what = code == 0x7F ? kAngenommen : kNichtBearbeitet; break;
    case 0xBC:
        what = code == 0x30   ? kWeicheSteht.arg(kGruen)
               : code == 0x50 ? kWeicheSteht.arg(kRot)
                              : kStellungUnbekannt;
        break;
    case 0xBE:
    case 0xBF: what = kLokNichtAngemeldet; break;
    case 0xED: what = code == 0x7F ? kAngenommen : kAbgelehnt.arg(code); break;
    default: what = kCode.arg(code); break;
    }
    return kQuittung.arg(hex2(op), what);
}

QString slot_text(const QString& form, const Msg& m, int s)
{
    return form.arg(s)
        .arg(m[4] | m[9] << 7)
        .arg(m[6] & 0x20 ? kRueck : kVor)
        .arg(m[5])
        .arg(kStatus[(m[3] >> 4) & 3]);
}

QString slot_data(const Msg& m)
{
    if (m[1] != 14)
        return kUnbekannt;
    const int s = m[2];
    if (s == 0)
        return kZentraleSlot;
    if (s == 0x7C) { // the programming track's answer
        const int status = m[4];
        return status ? kProgFehler.arg(status) : kProgWert.arg(m[10] | (m[8] & 0x02) << 6);
    }
    return slot_text(m.op() == 0xE7 ? kSlotDaten : kSlotSchreiben, m, s);
}

QString slot_ext(const Msg& m)
{
    if (m[1] != 21 || m[2] != 0)
        return kUnbekannt;
    return kSlotErweitert.arg(m[3])
        .arg(m[5] | m[6] << 7)
        .arg(m[10] & 0x20 ? kRueck : kVor)
        .arg(m[8]);
}

QString move(const Msg& m)
{
    const int from = m[1], to = m[2];
    if (from == 0)
        return kDispatchHolen;
    if (to == 0)
        return kSlotDispatch.arg(from);
    if (from == to)
        return kSlotBelegen.arg(from);
    return kSlotVerschieben.arg(from).arg(to);
}

QString kennix(const Msg& m)
{
    if (m[1] != 8)
        return kUnbekannt;
    const int kind = (m[3] >> 5) & 3;
    const int receiver = (m[3] & 0x0F) * 128 + m[4];
    if (kind != 1) {
        const QString dir = kind == 2 ? kS1S2 : kind == 3 ? kS2S1 : QString();
        return kKennixLok.arg(receiver).arg(m[5] * 128 + m[6]).arg((m[2] & 3) + 1).arg(dir);
    }
    if (m[2] == 1 && m[6] == 2)
        return kKennixLoeschen.arg(receiver);
    return kKennixTempo.arg(receiver).arg((m[5] & 3) * 128 + m[6]);
}

// The 15-byte command and peer messages, high bits restored.
QString command(Msg m)
{
    unpackHibits(m.data());
    const int cmd = m[5];
    const int w78 = m[7] | m[8] << 8;
    switch (cmd) {
    case 0x01: return kSoSchreiben.arg(w78).arg(m[9]);
    case 0x02: return kSoLesen.arg(w78);
    case 0x06: return kVersionLesen;
    case 0x07: return kSerieLesen;
    case 0x0C: return kFormatSchreiben.arg(m[7] | (m[8] & 0x3F) << 8).arg(m[9]);
    case 0x0D: return kFormatLesen.arg(m[7] | (m[8] & 0x3F) << 8);
    case 0x15:
        if (m[8] == 0x0F)
            return kRichtungWechsel.arg(m[7]);
        break;
    case 0x18: return kZuruecksetzen.arg(m[7] ? kLokdatenformat : kKonfiguration);
    case 0x20:
    case 0x21: {
        // Start and end carry the module address as the value of LNCV 0.
        const int article = w78, lncv = m[9] | m[10] << 8, value = m[11] | m[12] << 8;
        if (cmd == 0x20)
            return kLncvSchreiben.arg(article).arg(lncv).arg(value);
        if (m[13] & 0x80)
            return kLncvStart.arg(article).arg(value);
        if (m[13] & 0x40)
            return kLncvEnde.arg(article).arg(value);
        return kLncvLesen.arg(article).arg(lncv);
    }
    default: break;
    }
    return kBefehl.arg(cmd);
}

QString peer(Msg m)
{
    if (m[1] == 7 && m[3] == 0x5A && m[4] == 0x56 && (m[5] == 0x40 || m[5] == 0x41))
        return m[5] == 0x41 ? kProgEin : kProgAus;
    if (m[1] != 15)
        return kUnbekannt;
    unpackHibits(m.data());
    const auto digits = [](int b) { return QStringLiteral("%1%2").arg(b >> 4).arg(b & 15); };
    switch (m[5]) {
    case 0x00: return kSoWert.arg(m[9]);
    case 0x08: return kVersion.arg(m[8] >> 4).arg(m[8] & 15).arg(m[7] >> 4).arg(m[7] & 15);
    case 0x09:
        return kSerie.arg(digits(m[7]) + digits(m[8]) + digits(m[9]) + digits(m[10]) +
                          digits(m[11]));
    case 0x0B: return kFormat.arg(m[7] | m[8] << 8).arg(m[9] & 0x1F);
    case 0x1F:
        return kLncvAntwort.arg(m[7] | m[8] << 8).arg(m[9] | m[10] << 8).arg(m[11] | m[12] << 8);
    default: return kPeer.arg(m[5]);
    }
}

QString programming(const Msg& m)
{
    const int cv = m[7] | (m[5] & 0x02) << 6 | m[8] << 8;
    if (m[6] == 0x72)
        return kProgLesen.arg(cv);
    return kProgSchreiben.arg(cv).arg(m[9] | (m[5] & 0x08) << 4);
}

QString immediate(const Msg& m)
{
    if (m[1] == 15)
        return command(m);
    if (m[1] == 31 && m[3] == 0x5A && m[4] == 0x56)
        return programming(m);
    return kUnbekannt;
}

} // namespace

QString describe(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return kUnbekannt;
    const Msg m(bytes);
    switch (m.op()) {
    case 0x81: return kBusBelegt;
    case 0x82: return kStop;
    case 0x83: return kGo;
    case 0x85: return kNothalt;
    case 0xA0: return speed(m[1], m[2]);
    case 0xA1: return dirf(m[1], m[2]);
    case 0xA2: {
        static const int f[] = {5, 6, 7, 8};
        return kFunktionen.arg(m[1]).arg(functions(m[2], f, 4));
    }
    case 0xA3: {
        static const int f[] = {9, 10, 11, 12};
        return kFunktionen.arg(m[1]).arg(functions(m[2], f, 4));
    }
    case 0xB0:
        return kWeiche.arg(switch_number(m))
            .arg(m[2] & 0x20 ? kGruen : kRot, m[2] & 0x10 ? kEin : kAus);
    case 0xB1: return kWeicheMeldung.arg(switch_number(m));
    case 0xB2: {
        const int s = (m[2] & 0x0F) * 256 + m[1] * 2 + ((m[2] & 0x20) >> 5);
        return kMelder.arg(s + 1).arg(m[2] & 0x10 ? kBelegt : kFrei);
    }
    case 0xB4: return ack(m);
    case 0xB5: return kSlotStatus.arg(m[1]).arg(kStatus[(m[2] >> 4) & 3]);
    case 0xBA: return move(m);
    case 0xBB: return kSlotAnfordern.arg(m[1]);
    case 0xBC: return kWeicheAbfrage.arg(switch_number(m));
    case 0xBE:
    case 0xBF: return kLokAnfordern.arg(m[1] * 128 + m[2]);
    case 0xD4:
        if (m[1] == 0x20)
            return kGruppe.arg(m[2]).arg(m[3]).arg(hex2(m[4]));
        return kUnbekannt;
    case 0xE4: return kennix(m);
    case 0xE5: return peer(m);
    case 0xE6: return slot_ext(m);
    case 0xE7:
    case 0xEF: return slot_data(m);
    case 0xED: return immediate(m);
    default: return kUnbekannt;
    }
}

} // namespace ln
