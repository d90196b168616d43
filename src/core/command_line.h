#pragma once
// Command-line helpers shared by the programs.

#include <QStringList>

// "--name=VALUE" of an option whose value may be left out, spelled as the
// two options the parser knows: "--name" "--valueOption" "VALUE".
QStringList split_optional_value(const QStringList& args, const QString& name,
                                 const QString& valueOption);
