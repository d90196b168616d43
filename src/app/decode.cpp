#include "decode.h"

#include "loconet/describe.h"
#include "loconet/message.h"
#include "loconet/trace_reader.h"

#include <QFile>
#include <cstdio>

int decode_saved(const QString& path)
{
    const bool stdIn = path == QStringLiteral("-");
    QFile file(stdIn ? QString() : path);
    const bool open =
        stdIn ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!open) {
        std::fprintf(stderr, "quorail: cannot read %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return 1;
    }
    const QByteArray name = stdIn ? QByteArray("(standard input)") : path.toLocal8Bit();
    ln::read_saved(
        file,
        [](const ln::SavedMessage& m) {
            std::fputs((ln::hex(m.bytes) + u'\t' + ln::describe(m.bytes) + u'\n').toUtf8(), stdout);
        },
        [&name](int line) {
            std::fprintf(stderr, "quorail: %s:%d: not a LocoNet message, skipped\n",
                         name.constData(), line);
        });
    std::fflush(stdout);
    return 0;
}
