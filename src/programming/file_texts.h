#pragma once
// The file errors of the decoder files and the module files, in one wording.

#include <QString>

namespace filetexts {
inline const QString Dateifehler = QStringLiteral("Dateifehler");
inline const QString NichtGeschrieben =
    QStringLiteral("Die Datei %1 konnte nicht geschrieben werden:\n%2");
} // namespace filetexts
