#include "number_text.h"

bool is_number_text(const QString& text)
{
    if (text == u'-')
        return true;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

std::optional<int> number_in(const QString& text, int min, int max)
{
    if (text.isEmpty() || text == u'-' || !is_number_text(text))
        return std::nullopt;
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < min || n > max)
        return std::nullopt;
    return n;
}

bool number_text_in(const QString& text, int min, int max)
{
    if (text.isEmpty() || text == u'-')
        return true;
    return number_in(text, min, max).has_value();
}
