#include "job_kinds.h"

namespace {
const QString kLokformat = QStringLiteral("das Schreiben des Lokdatenformats");
const QString kSchreibenSO = QStringLiteral("das Schreiben der Sonderoptionen");
const QString kSchreibenGrund = QStringLiteral("das Schreiben der Grundeinstellungen");
const QString kZuruecksetzen = QStringLiteral("das Zurücksetzen der Zentrale");
const QString kProgrammiergleis = QStringLiteral("die Programmierung auf dem Programmiergleis");
const QString kLncv = QStringLiteral("die LNCV-Programmierung");
const QString kModule = QStringLiteral("die Arbeit an den LocoNet-Modulen");
} // namespace

JobInfo job_info(JobKind kind)
{
    switch (kind) {
    case JobKind::PowerOff:
    case JobKind::PowerOn:
    case JobKind::SafetyStop:
    case JobKind::LastWord: return {JobClass::Now, {}};
    case JobKind::RawMessage:
    case JobKind::SwitchPoll:
    case JobKind::Switch:
    case JobKind::SwitchPulse:
    case JobKind::SensorReport:
    case JobKind::Throttle:
    case JobKind::LocoDispatch:
    case JobKind::LocoFormatRead:
    case JobKind::OptionRead:
    case JobKind::OptionListRead:
    case JobKind::Identify:
    case JobKind::Version: return {JobClass::Short, {}};
    case JobKind::LocoFormatWrite: return {JobClass::Long, kLokformat};
    case JobKind::OptionWrite: return {JobClass::Long, kSchreibenSO};
    case JobKind::OptionListWrite: return {JobClass::Long, kSchreibenGrund};
    case JobKind::Reset: return {JobClass::Long, kZuruecksetzen};
    case JobKind::CvRead:
    case JobKind::CvWrite:
    case JobKind::CvListRead:
    case JobKind::CvListWrite: return {JobClass::Long, kProgrammiergleis};
    case JobKind::LncvStart:
    case JobKind::LncvEnd:
    case JobKind::LncvRead:
    case JobKind::LncvWrite: return {JobClass::Long, kLncv};
    case JobKind::LncvSearch:
    case JobKind::LncvReadAll:
    case JobKind::LncvWriteAll: return {JobClass::Long, kModule};
    }
    return {JobClass::Short, {}};
}
