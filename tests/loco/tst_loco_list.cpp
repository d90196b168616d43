// Lokliste.dat: what the program reads of a file, and that a change never
// loses a file it could not read whole nor one it cannot replace.

#include "core/datadir.h"
#include "core/file_io.h"
#include "core/messages.h"
#include "loco/loco_list.h"
#include "support/data_files.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The entries as the rows write them: "3 BR 218 F2*=Horn | 5 ...".
QString describe(const std::vector<LocoEntry>& entries)
{
    QStringList out;
    for (const LocoEntry& e : entries) {
        QString s = QString::number(e.address) + ' ' + e.name;
        for (int n = 0; n < LocoEntry::Functions; ++n)
            if (!e.labels[size_t(n)].isEmpty() || e.momentary[size_t(n)])
                s += QStringLiteral(" F%1%2=%3")
                         .arg(n)
                         .arg(e.momentary[size_t(n)] ? "*" : "")
                         .arg(e.labels[size_t(n)]);
        out << s;
    }
    return out.join(" | ");
}
} // namespace

class TestLocoList : public QObject {
    Q_OBJECT
  private slots:
    void readsTolerantly_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<bool>("whole");
        const auto row = [](const char* name, const QByteArray& file, const char* entries,
                            bool whole) {
            QTest::newRow(name) << file << QString::fromUtf8(entries) << whole;
        };
        row("as written", "# Kopf\r\n3 \"BR 218\" F0 \"Licht\" F2* \"Horn\"\r\n",
            "3 BR 218 F0=Licht F2*=Horn", true);
        row("sorted, LF, tabs, blank lines", "78\t\"Rangierlok\"\n\n  5 \"\" F28*\n",
            "5  F28*= | 78 Rangierlok", true);
        row("doubled quote", "1 \"Der \"\"Rote\"\"\"\r\n", "1 Der \"Rote\"", true);
        row("latin-1 of older tools", "3 \"G\xfcterzug\"\r\n", "3 Güterzug", true);
        row("address out of range", "0 \"a\"\r\n16384 \"b\"\r\n16383 \"c\"\r\n", "16383 c", false);
        row("no address", "BR 218\r\n", "", false);
        row("function above F28 and the rest", "3 \"a\" F1 \"x\" F29 \"y\" F2 \"z\"\r\n",
            "3 a F1=x", false);
        row("quote not closed", "3 \"a\r\n", "3 a", false);
        row("later line wins", "3 \"a\"\r\n3 \"b\"\r\n", "3 b", false);
        row("control characters and length",
            "3 \"a\x01" + QByteArray(40, 'b') + "\" F1 \"" + QByteArray(30, 'c') + "\"\r\n",
            qPrintable("3 a" + QString(31, 'b') + " F1=" + QString(20, 'c')), true);
    }
    void readsTolerantly()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, entries);
        QFETCH(bool, whole);
        bool ok = !whole;
        QCOMPARE(describe(loco_list::parse(file, &ok)), entries);
        QCOMPARE(ok, whole);
    }

    // Two changes after start; the messages and the files they leave.
    void changesAreSavedWithoutLosingAFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("how"); // "", "unreadable" or "folder"
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("message");
        QTest::newRow("read whole")
            << QByteArray("3 \"a\"\r\n") << "" << QStringList{"Lokliste.dat"} << "";
        QTest::newRow("read in part: kept once")
            << QByteArray("3 \"a\r\n") << "" << QStringList{"Lokliste-alt.dat", "Lokliste.dat"}
            << "Lokliste.dat konnte beim Start nicht vollständig gelesen werden. Die alte Datei "
               "ist als Lokliste-alt.dat aufbewahrt, Lokliste.dat enthält jetzt die geänderten "
               "Daten.";
        QTest::newRow("unreadable: kept once")
            << QByteArray("3 \"a\"\r\n") << "unreadable"
            << QStringList{"Lokliste-alt.dat", "Lokliste.dat"} << "aufbewahrt";
        QTest::newRow("a folder in the way: it stays")
            << QByteArray() << "folder" << QStringList{}
            << "Lokliste.dat konnte nicht geschrieben werden: ";
    }
    void changesAreSavedWithoutLosingAFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, how);
        QFETCH(QStringList, files);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath("Lokliste.dat");
        QVERIFY(how == "folder" ? QDir().mkdir(path) : save_file(path, file, nullptr));
        if (how == "unreadable")
            make_unreadable(path);
        const QByteArray before = held(path);
        MessageService msgs;
        QSignalSpy shown(&msgs, &MessageService::shown);
        LocoList list(DataDir(dir.path()), msgs);
        list.load();
        QVERIFY(list.set(LocoEntry{5, "V 60", {}, {}}));
        QVERIFY(list.set(LocoEntry{7, "V 100", {}, {}}));
        QVERIFY(describe(list.entries()).endsWith("5 V 60 | 7 V 100")); // kept, saved or not
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), files);
        QCOMPARE(held(path), how == "folder" ? before : loco_list::format(list.entries()));
        if (files.size() > 1)
            QCOMPARE(held(dir.filePath(files[0])), before);
        QCOMPARE(shown.size(), message.isEmpty() ? 0 : how == "folder" ? 2 : 1);
        if (!message.isEmpty())
            QVERIFY2(shown[0][1].toString().contains(message), qPrintable(shown[0][1].toString()));
    }
};

QTEST_GUILESS_MAIN(TestLocoList)
#include "tst_loco_list.moc"
