// The monitor's texts for the long messages: the station's 15-byte commands
// and answers, LNCV and SV module programming, the programming-track
// request and DCC packets for the track.

#include "describe_parts.h"

#include <QStringList>

namespace ln::text {
namespace {

const QString kProgEin = QStringLiteral("Programmiermodus ein");
const QString kProgAus = QStringLiteral("Programmiermodus aus");
const QString kProgLesen = QStringLiteral("Programmiergleis: CV %1 lesen");
const QString kProgSchreiben = QStringLiteral("Programmiergleis: CV %1 = %2 schreiben");
const QString kSoSchreiben = QStringLiteral("Sonderoption %1 = %2 schreiben");
const QString kSoLesen = QStringLiteral("Sonderoption %1 lesen");
const QString kSoWert = QStringLiteral("Sonderoption %1: Wert %2");
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
const QString kLncvStart = QStringLiteral("LNCV-Programmierung starten: Artikel %1, %2");
const QString kLncvEnde = QStringLiteral("LNCV-Programmierung beenden: Artikel %1, %2");
const QString kModul = QStringLiteral("Modul %1");
const QString kLncvAntwort = QStringLiteral("LNCV-Antwort: Artikel %1, LNCV %2 = %3");
const QString kAlleModule = QStringLiteral("alle Module");
const QString kSv = QStringLiteral("SV-Programmierung: Modul %1, %2");
const QString kSvV1 = QStringLiteral("SV-Programmierung (Version 1): Modul %1, %2");
const QString kSvAntwort = QStringLiteral("SV-Antwort: Modul %1, %2");
const QString kSvLesen = QStringLiteral("SV %1 lesen");
const QString kSvSchreiben = QStringLiteral("SV %1 = %2 schreiben");
const QString kSvMaskiert =
    QStringLiteral("SV %1 maskiert schreiben (Wert und Maske nicht decodiert)");
const QString kSvVierLesen = QStringLiteral("SV %1 bis %2 lesen");
const QString kSvVierSchreiben = QStringLiteral("SV %1 bis %2 = %3 schreiben");
const QString kSvWert = QStringLiteral("SV %1 = %2");
const QString kSvWerte = QStringLiteral("SV %1 bis %2 = %3");
const QString kSvSuchen = QStringLiteral("SV-Programmierung: alle Module suchen");
const QString kSvIdentifizieren = QStringLiteral("identifizieren");
const QString kSvAdresse = QStringLiteral("Adresse ändern (Daten nicht decodiert)");
const QString kSvNeustart = QStringLiteral("neu starten");
const QString kSvAntwortDaten = QStringLiteral("Antwort auf Befehl %1 (Daten nicht decodiert)");
const QString kIplAbfrage = QStringLiteral("IPL: alle Geräte sollen sich melden");
const QString kIplAntwort = QStringLiteral("IPL: ein Gerät meldet sich (Daten nicht decodiert)");
const QString kDcc = QStringLiteral("DCC-Paket an %1: %2");
const QString kDccAlle = QStringLiteral("alle Loks");
const QString kDccLok = QStringLiteral("Lok %1");
const QString kDccZubehoer = QStringLiteral("Zubehördecoder %1");
const QString kDccAusgang = QStringLiteral("Ausgang %1 %2");
const QString kDccFahrstufe = QStringLiteral("%1, Fahrstufe %2 von %3");
const QString kDccHalt = QStringLiteral("%1, Halt");
const QString kDccNothalt = QStringLiteral("%1, Nothalt");
const QString kDccCv = QStringLiteral("CV %1 = %2 %3");
const QString kDccCvSchreiben = QStringLiteral("schreiben");
const QString kDccCvPruefen = QStringLiteral("prüfen");
const QString kDccBefehl = QStringLiteral("Befehl %1 nicht decodiert");
const QString kDccLeer = QStringLiteral("DCC-Leerlaufpaket");

// DCC packet bytes (not LocoNet opcodes): first byte of a long address,
// the idle packet, the 128-step speed and the F13..F20 / F21..F28 groups.
constexpr int DccLongFirst = 0xC0, DccLongLast = 0xE7, DccIdle = 0xFF;
constexpr int Dcc128Steps = 0x3F, DccF13 = 0xDE, DccF21 = 0xDF;

QString lncv(const LncvMessage& v)
{
    const int article = v.article(), module = v.value();
    const QString moduleText = module == LncvMessage::AllModules ? kAlleModule : kModul.arg(module);
    switch (v.kind()) {
    case LncvMessage::Kind::Start: return kLncvStart.arg(article).arg(moduleText);
    case LncvMessage::Kind::End: return kLncvEnde.arg(article).arg(moduleText);
    case LncvMessage::Kind::Read: return kLncvLesen.arg(article).arg(v.lncv());
    case LncvMessage::Kind::Write: return kLncvSchreiben.arg(article).arg(v.lncv()).arg(module);
    default: return kLncvAntwort.arg(article).arg(v.lncv()).arg(module);
    }
}

// The station's commands (ED); empty for one not known.
QString stationCommand(const PeerMessage& v)
{
    const int locoAddress = v.data(0) | (v.data(1) & 0x3F) << 8;
    switch (v.command()) {
    case cmd::WriteOption: return kSoSchreiben.arg(v.word(0)).arg(v.data(2));
    case cmd::ReadOption: return kSoLesen.arg(v.word(0));
    case cmd::ReadVersion: return kVersionLesen;
    case cmd::ReadSerial: return kSerieLesen;
    case cmd::WriteFormat: return kFormatSchreiben.arg(locoAddress).arg(v.data(2) & 0x1F);
    case cmd::ReadFormat: return kFormatLesen.arg(locoAddress);
    case cmd::DirToggle:
        if (v.data(1) == 0x0F)
            return kRichtungWechsel.arg(v.data(0));
        break;
    case cmd::Reset:
        if (v.data(0) <= 1)
            return kZuruecksetzen.arg(v.data(0) ? kLokdatenformat : kKonfiguration);
        break;
    default: break;
    }
    return {};
}

// Two decimal digits in a byte, tens in the high nibble.
int bcd(int b)
{
    return (b >> 4) * 10 + (b & 15);
}

// The station's answers (E5); empty for one not known.
QString stationAnswer(const PeerMessage& v)
{
    switch (v.command()) {
    case cmd::OptionValue: return kSoWert.arg(v.word(0)).arg(v.data(2));
    case cmd::Version: {
        const int hi = v.data(1), lo = v.data(0);
        return kVersion.arg(hi >> 4).arg(hi & 15).arg(lo >> 4).arg(lo & 15);
    }
    case cmd::Serial: {
        qint64 n = 0;
        for (int k = 0; k < 5; ++k)
            n = n * 100 + bcd(v.data(k));
        return kSerie.arg(n);
    }
    case cmd::Format: return kFormat.arg(v.word(0)).arg(v.data(2) & 0x1F);
    default: return {};
    }
}

QString fifteen(const Msg& m)
{
    if (LncvMessage::is(m))
        return lncv(LncvMessage(m));
    const PeerMessage v(m);
    const QString text = !v.station()              ? QString()
                         : m.op() == op::ImmPacket ? stationCommand(v)
                                                   : stationAnswer(v);
    return text.isEmpty() ? notDecoded(m) : text;
}

// Empty for a command not known.
QString svV2(const SvMessage& v)
{
    const int sv = v.sv();
    const QString four =
        QStringLiteral("%1 %2 %3 %4").arg(v.data(0)).arg(v.data(1)).arg(v.data(2)).arg(v.data(3));
    QString what;
    switch (v.command()) {
    case 0x01: what = kSvSchreiben.arg(sv).arg(v.data(0)); break;
    case 0x02: what = kSvLesen.arg(sv); break;
    case 0x03: what = kSvMaskiert.arg(sv); break;
    case 0x05: what = kSvVierSchreiben.arg(sv).arg(sv + 3).arg(four); break;
    case 0x06: what = kSvVierLesen.arg(sv).arg(sv + 3); break;
    case 0x07: return kSvSuchen;
    case 0x08: what = kSvIdentifizieren; break;
    case 0x09: what = kSvAdresse; break;
    case 0x0F: what = kSvNeustart; break;
    case 0x41:
    case 0x42:
    case 0x43: return kSvAntwort.arg(v.module()).arg(kSvWert.arg(sv).arg(v.data(0)));
    case 0x45:
    case 0x46: return kSvAntwort.arg(v.module()).arg(kSvWerte.arg(sv).arg(sv + 3).arg(four));
    case 0x47:
    case 0x48:
    case 0x49:
    case 0x4F: return kSvAntwort.arg(v.module()).arg(kSvAntwortDaten.arg(v.command() - 0x40));
    default: return {};
    }
    return kSv.arg(v.module()).arg(what);
}

QString sv(const Msg& m)
{
    const SvMessage v(m);
    if (v.v2()) {
        const QString text = svV2(v);
        return text.isEmpty() ? notDecoded(m) : text;
    }
    const QString what =
        v.v1Command() == 1 ? kSvSchreiben.arg(v.v1Sv()).arg(v.v1Value()) : kSvLesen.arg(v.v1Sv());
    return kSvV1.arg(v.v1Module()).arg(what);
}

QString twenty(const Msg& m)
{
    if (m[2] == 0x0F && m[3] == 0x08)
        return kIplAbfrage;
    if (m[2] == 0x0F && m[3] == 0x10)
        return kIplAntwort;
    return notDecoded(m);
}

// Speed of a 28-step instruction 01DCSSSS (C the lowest step bit).
QString speed28(int b)
{
    const QString dir = direction(!(b & 0x20));
    const int code = (b & 0x0F) << 1 | (b >> 4 & 1);
    if (code < 2)
        return kDccHalt.arg(dir);
    if (code < 4)
        return kDccNothalt.arg(dir);
    return kDccFahrstufe.arg(dir).arg(code - 3).arg(28);
}

QString speed128(int b)
{
    const QString dir = direction(!(b & 0x80));
    const int code = b & 0x7F;
    if (code == 0)
        return kDccHalt.arg(dir);
    if (code == 1)
        return kDccNothalt.arg(dir);
    return kDccFahrstufe.arg(dir).arg(code - 1).arg(126);
}

// The instruction of a packet for a multi-function decoder (a loco).
QString locoInstruction(const QByteArray& p, int at)
{
    const auto byte = [&](int k) { return k < p.size() ? int(uint8_t(p[k])) : -1; };
    const int b = byte(at), next = byte(at + 1);
    FnStates f;
    if ((b & 0xC0) == 0x40)
        return speed28(b);
    if (b == Dcc128Steps && next >= 0)
        return speed128(next);
    if ((b & 0xE0) == 0x80) {
        f = dirfFunctions(b); // F0 in bit 4, F1..F4 in bits 0..3 as in the direction byte
    } else if ((b & 0xF0) == 0xB0) {
        f.setRange(5, 4, b);
    } else if ((b & 0xF0) == 0xA0) {
        f.setRange(9, 4, b);
    } else if (b == DccF13 && next >= 0) {
        f.setRange(13, 8, next);
    } else if (b == DccF21 && next >= 0) {
        f.setRange(21, 8, next);
    } else if ((b & 0xF0) == 0xE0 && (b & 0x0C) != 0x08 && byte(at + 2) >= 0) {
        // 1110CCAA AAAAAAAA DDDDDDDD: verify or write a byte on the main.
        const int cv = ((b & 3) << 8 | next) + 1;
        const bool write = (b & 0x0C) == 0x0C;
        if ((b & 0x0C) == 0)
            return kDccBefehl.arg(hex(p.mid(at)));
        return kDccCv.arg(cv).arg(byte(at + 2)).arg(write ? kDccCvSchreiben : kDccCvPruefen);
    } else {
        return kDccBefehl.arg(hex(p.mid(at)));
    }
    return functions(f);
}

QString dccPacket(const Msg& m, const QByteArray& p)
{
    if (p.isEmpty())
        return notDecoded(m);
    const int a = uint8_t(p[0]);
    if (a == DccIdle)
        return kDccLeer;
    if (a == 0)
        return kDcc.arg(kDccAlle, locoInstruction(p, 1));
    if (a < 0x80)
        return kDcc.arg(kDccLok.arg(a), locoInstruction(p, 1));
    if (a >= DccLongFirst && a <= DccLongLast && p.size() >= 2)
        return kDcc.arg(kDccLok.arg((a & 0x3F) << 8 | uint8_t(p[1])), locoInstruction(p, 2));
    if (a < DccLongFirst && p.size() >= 2 && (p[1] & 0x80)) {
        // Basic accessory: 10AAAAAA 1aaaCDDD, aaa the high address bits inverted.
        const int b = uint8_t(p[1]);
        const int decoder = (~b >> 4 & 7) << 6 | (a & 0x3F);
        return kDcc.arg(kDccZubehoer.arg(decoder), kDccAusgang.arg(b & 7).arg(onOff(b & 0x08)));
    }
    return notDecoded(m);
}

} // namespace

QString peer(const Msg& m)
{
    if (ProgTrackMode::is(m))
        return ProgTrackMode(m).on() ? kProgEin : kProgAus;
    if (PeerMessage::is(m))
        return fifteen(m);
    if (SvMessage::is(m))
        return sv(m);
    if (m[1] == 20)
        return twenty(m);
    return notDecoded(m);
}

QString immediate(const Msg& m)
{
    if (PeerMessage::is(m))
        return fifteen(m);
    if (StationProgRequest::is(m)) {
        const StationProgRequest v(m);
        return v.write() ? kProgSchreiben.arg(v.cv()).arg(v.value()) : kProgLesen.arg(v.cv());
    }
    if (ImmPacket::is(m))
        return dccPacket(m, ImmPacket(m).packet());
    return notDecoded(m);
}

} // namespace ln::text
