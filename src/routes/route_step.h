#pragma once
// Step and trigger texts of the route table: "Ma12-g" (accessory 12 green),
// "Rm7-b" (sensor 7 occupied), "Fs3-an" (request route 3), "Pa-2" (pause
// 2 s). Numbers are 1-based and written without leading zeros.

#include <QString>
#include <QStringList>

struct StepParts {
    QString MaAdr, MaDir, FsNr, FsCmd, RmAdr, RmState, Pause;
};

namespace step {
// The letters after the "-", indexed by the option they stand for.
inline const QStringList MaDirs = {QStringLiteral("r"), QStringLiteral("g")};
inline const QStringList RmStates = {QStringLiteral("f"), QStringLiteral("b")};
inline const QStringList FsCmds = {QStringLiteral("bl"), QStringLiteral("fr"), QStringLiteral("an"),
                                   QStringLiteral("al")};
inline const QString Ma = QStringLiteral("Ma");
inline const QString Rm = QStringLiteral("Rm");
inline const QString Fs = QStringLiteral("Fs");
inline const QString Pa = QStringLiteral("Pa");

// Accessories and sensors a step may name.
constexpr int MaxNumber = 2048;
} // namespace step

// Splits a cell text. MaAdr, FsNr, RmAdr and Pause are emptied first; MaDir,
// FsCmd and RmState are written only when their form is found and otherwise
// keep what the caller put in. A text without "-" yields nothing.
void parse_step(const QString& text, StepParts& parts);

// The text with everything but 0..9 removed.
QString digits_only(const QString& text);

// The number a text starts with: leading blanks skipped, an optional sign,
// digits and a fraction; reading stops at the first other character, and
// a text without a number gives 0.
double text_value(const QString& text);

// text_value rounded to a whole number (a half to the even one); -1 when
// it does not fit an int.
int whole_value(const QString& text);

// Index of letter in letters, -1 when it is none of them.
inline int option_of(const QStringList& letters, const QString& letter)
{
    return int(letters.indexOf(letter));
}
