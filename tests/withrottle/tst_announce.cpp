// The Avahi announcement on a private D-Bus bus with a stand-in for the
// Avahi daemon: the service it registers, a name taken by another device,
// and a daemon that is missing or starts late. Skipped where dbus-daemon
// cannot be started.

#include "withrottle/announce.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QProcess>
#include <QtTest>

#ifdef QUORAIL_AVAHI

namespace {
const QString kAvahi = QStringLiteral("org.freedesktop.Avahi");
const QString kGroupPath = QStringLiteral("/Client1/EntryGroup1");

// What the daemon's entry group is told; it answers a commit with
// `answer` (2 established, 3 name taken).
class FakeGroup : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Avahi.EntryGroup")
  public:
    QStringList calls;
    int answer = 2;

  public slots:
    void AddService(int interface, int protocol, uint flags, const QString& name,
                    const QString& type, const QString& domain, const QString& host, ushort port,
                    const QList<QByteArray>& txt)
    {
        const auto n = [](qint64 i) { return QString::number(i); };
        calls << QStringLiteral("AddService %1 %2 %3 %4 %5 '%6' '%7' %8 %9")
                     .arg(n(interface), n(protocol), n(flags), name, type, domain, host, n(port),
                          n(txt.size()));
    }
    void Commit()
    {
        calls << QStringLiteral("Commit");
        const int state = answer;
        answer = 2; // the name chosen next is free
        emit StateChanged(state, QString());
    }
    void Reset() { calls << QStringLiteral("Reset"); }
    void Free() { calls << QStringLiteral("Free"); }

  signals:
    void StateChanged(int state, const QString& error);
};

class FakeServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Avahi.Server")
  public slots:
    QDBusObjectPath EntryGroupNew() { return QDBusObjectPath(kGroupPath); }
    QString GetAlternativeServiceName(const QString& name) { return name + QStringLiteral(" #2"); }
};
} // namespace

class TestAnnounce : public QObject {
    Q_OBJECT
  private slots:
    void init()
    {
        bus.start(QStringLiteral("dbus-daemon"),
                  {"--session", "--nofork", "--print-address=1", "--address=unix:tmpdir=/tmp"});
        if (!bus.waitForStarted(5000) || !bus.waitForReadyRead(5000))
            QSKIP("dbus-daemon cannot run here");
        address = QString::fromLatin1(bus.readLine().trimmed());
    }
    void cleanup()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("program"));
        QDBusConnection::disconnectFromBus(QStringLiteral("daemon"));
        bus.kill();
        bus.waitForFinished();
    }

    void announcesTheServiceAndTakesAnotherNameWhenItIsTaken()
    {
        FakeGroup group;
        group.answer = 3; // another device has the name
        startDaemon(group);
        auto a = avahi_announcement(program());
        a->start("Quorail", "_withrottle._tcp", 12090, QHostAddress::Any);
        QTRY_COMPARE(a->status(), Announcement::Status::Announced);
        QCOMPARE(group.calls,
                 (QStringList{
                     "AddService -1 -1 0 Quorail _withrottle._tcp '' '' 12090 0", "Commit", "Reset",
                     "AddService -1 -1 0 Quorail #2 _withrottle._tcp '' '' 12090 0", "Commit"}));
        QCOMPARE(a->name(), QStringLiteral("Quorail #2"));
        a.reset(); // the group goes with the program
        QTRY_COMPARE(group.calls.last(), QStringLiteral("Free"));
    }

    void withoutTheDaemonSaysSoAndAnnouncesWhenItComes()
    {
        auto a = avahi_announcement(program());
        a->start("Quorail", "_withrottle._tcp", 4321, QHostAddress::Any);
        QTRY_COMPARE(a->status(), Announcement::Status::Unavailable);
        QCOMPARE(a->detail(), QStringLiteral("no Avahi daemon on the system bus"));
        FakeGroup group;
        startDaemon(group);
        QTRY_COMPARE(a->status(), Announcement::Status::Announced);
        QCOMPARE(group.calls.first(), "AddService -1 -1 0 Quorail _withrottle._tcp '' '' 4321 0");
    }

  private:
    QDBusConnection program()
    {
        return QDBusConnection::connectToBus(address, QStringLiteral("program"));
    }
    void startDaemon(FakeGroup& group)
    {
        QDBusConnection d = QDBusConnection::connectToBus(address, QStringLiteral("daemon"));
        QVERIFY(d.registerObject(QStringLiteral("/"), &server, QDBusConnection::ExportAllSlots));
        QVERIFY(
            d.registerObject(kGroupPath, &group,
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        QVERIFY(d.registerService(kAvahi));
    }

    QProcess bus;
    QString address;
    FakeServer server;
};

#else

class TestAnnounce : public QObject {
    Q_OBJECT
  private slots:
    void nothingToTest() { QSKIP("no Avahi on this platform"); }
};

#endif

QTEST_GUILESS_MAIN(TestAnnounce)
#include "tst_announce.moc"
