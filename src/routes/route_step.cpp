#include "route_step.h"

#include <algorithm>
#include <climits>
#include <cmath>

void parse_step(const QString& text, StepParts& parts)
{
    parts.MaAdr.clear();
    parts.FsNr.clear();
    parts.RmAdr.clear();
    parts.Pause.clear();
    const qsizetype dash = text.indexOf(u'-');
    if (dash < 0)
        return;
    const QString prefix = text.left(2);
    const QString number = text.mid(2, dash - 2);
    const QString rest = text.mid(dash + 1);
    if (prefix == step::Rm) {
        parts.RmAdr = number;
        parts.RmState = rest;
    } else if (prefix == step::Ma) {
        parts.MaAdr = number;
        parts.MaDir = rest;
    } else if (prefix == step::Fs) {
        parts.FsNr = number;
        parts.FsCmd = rest;
    } else if (prefix == step::Pa) {
        parts.Pause = rest;
    }
}

QString digits_only(const QString& text)
{
    QString digits;
    for (QChar ch : text)
        if (ch >= u'0' && ch <= u'9')
            digits += ch;
    return digits;
}

double text_value(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    bool digits = false;
    const auto skipDigits = [&] {
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            ++i;
            digits = true;
        }
    };
    skipDigits();
    if (i < n && text[i] == u'.') {
        ++i;
        skipDigits();
    }
    if (!digits)
        return 0;
    // Up to 15 digits fit a double exactly: one division rounds correctly.
    // The triggers read a number for every route on every report.
    long long m = 0;
    int digitCount = 0, fraction = -1;
    for (qsizetype k = start; k < i; ++k) {
        const QChar ch = text[k];
        if (ch == u'.') {
            fraction = 0;
        } else if (ch != u'-' && ch != u'+') {
            if (++digitCount <= 15) // longer numbers take the slow way below
                m = m * 10 + (ch.unicode() - u'0');
            fraction += fraction >= 0 ? 1 : 0;
        }
    }
    if (digitCount > 15) // only sign, digits and one point: always a number
        return text.mid(start, i - start).toDouble();
    const double v = double(m) / std::pow(10.0, std::max(fraction, 0));
    return text[start] == u'-' ? -v : v;
}

int whole_value(const QString& text)
{
    const double v = std::nearbyint(text_value(text));
    return v >= INT_MIN && v <= INT_MAX ? int(v) : -1;
}
