// The request engine alone, on a link to an in-memory bus: the one
// admission rule, endings, sessions and the last words of an ending.

#include "core/clock.h"
#include "core/messages.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "loconet/memory_port.h"
#include "requests/engine.h"
#include "support/station_rig.h"

#include <QtTest>

namespace {
// Sends its byte, then waits for the test to finish it; records its ending.
class Probe : public Job {
  public:
    Probe(JobKind kind, int byte, QStringList& log) : Job(kind), byte_(byte), log_(log) {}
    bool done = false;

  protected:
    bool step() override
    {
        if (Step++ == 0)
            send({byte_});
        return done;
    }
    void ending(End how) override
    {
        log_ << QStringLiteral("%1:%2").arg(byte_, 2, 16).arg(int(how));
        if (how == End::Disconnected || how == End::PortLost)
            engine().last_word(ln::bytes({byte_ + 8}));
    }

  private:
    int byte_;
    QStringList& log_;
};

struct Bench {
    FakeClock clock;
    MemoryPortPair ports;
    MessageService msgs;
    Dispatch dispatch{clock};
    Link link{clock, ports.a, dispatch, msgs};
    ReqEngine req{link, clock, msgs};
    QStringList boxes, endings;
    Bench()
    {
        for (int k = 0; k < JobKindCount; ++k)
            if (!req.declared(JobKind(k)))
                req.declare(JobKind(k));
        ports.a.open("a", {});
        ports.b.open("b", {});
        QObject::connect(&ports.a, &Port::readyRead, &link, &Link::com_input);
        QObject::connect(&msgs, &MessageService::shown,
                         [this](const QString&, const QString& text) { boxes << text; });
        req.begin_session();
        req.set_online(true);
    }
    std::shared_ptr<Probe> probe(JobKind kind, int byte)
    {
        return std::make_shared<Probe>(kind, byte, endings);
    }
    QString wire()
    {
        const QString w = ln::hex(ports.a.written());
        ports.a.clearWritten();
        return w;
    }
    void echo() { ports.b.write(ports.b.readAll()); }
    void finish(const std::shared_ptr<Probe>& p)
    {
        p->done = true;
        req.service();
    }
};
} // namespace

Q_DECLARE_METATYPE(JobKind)
Q_DECLARE_METATYPE(ReqEngine::Caller)

class TestEngine : public QObject {
    Q_OBJECT
  private slots:
    // A job of the first kind runs; what happens to a second one asked by
    // that caller: its message goes out at once (between the running job's
    // messages), after the first job ended, or never (the box says why).
    void admission_data()
    {
        QTest::addColumn<JobKind>("running");
        QTest::addColumn<JobKind>("asked");
        QTest::addColumn<ReqEngine::Caller>("caller");
        QTest::addColumn<QString>("outcome"); // now, after, or the refusal
        using C = ReqEngine::Caller;
        const QString wait = "Bitte warten, bis die Programmierung auf dem Programmiergleis "
                             "beendet ist.";
        const auto row = [](const char* name, JobKind running, JobKind asked, C caller,
                            const QString& outcome) {
            QTest::newRow(name) << running << asked << caller << outcome;
        };
        row("STOP during a CV read", JobKind::CvListRead, JobKind::PowerOff, C::User, "now");
        row("GO during a CV read", JobKind::CvListRead, JobKind::PowerOn, C::User, "now");
        row("safety stop during a CV read", JobKind::CvRead, JobKind::SafetyStop, C::Follow, "now");
        row("switch key during a CV read", JobKind::CvRead, JobKind::Switch, C::User, wait);
        row("phone during a CV read", JobKind::CvRead, JobKind::Throttle, C::Quiet, "");
        row("LNCV write during a CV read", JobKind::CvRead, JobKind::LncvWrite, C::User, wait);
        row("coil off during a CV read", JobKind::CvRead, JobKind::Switch, C::Follow, "after");
        row("LNCV during an LNCV job", JobKind::LncvRead, JobKind::LncvWrite, C::User,
            "Bitte warten, bis die LNCV-Programmierung beendet ist.");
        row("switch key behind a poll", JobKind::SwitchPoll, JobKind::Switch, C::User, "after");
        row("CV read behind a loco request", JobKind::Throttle, JobKind::CvRead, C::User, "after");
    }
    void admission()
    {
        QFETCH(JobKind, running);
        QFETCH(JobKind, asked);
        QFETCH(ReqEngine::Caller, caller);
        QFETCH(QString, outcome);
        Bench b;
        const auto first = b.probe(running, 0x91);
        QVERIFY(b.req.submit(first));
        b.echo();
        const bool taken = b.req.submit(b.probe(asked, 0x92), caller);
        QCOMPARE(taken, outcome == "now" || outcome == "after");
        QCOMPARE(b.boxes, taken || caller != ReqEngine::Caller::User ? QStringList()
                                                                     : QStringList{outcome});
        QCOMPARE(b.wire(), QString(outcome == "now" ? "91 6E 92 6D" : "91 6E"));
        b.echo();
        b.finish(first);
        QCOMPARE(b.wire(), QString(outcome == "after" ? "92 6D" : ""));
    }

    // However a job ends, its ending runs once; a job waiting behind it
    // ends too when the connection goes. A job cut off while the port is
    // still open says its last word at once; after the port vanished, first
    // thing in the next session.
    void endings_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("endings");
        QTest::addColumn<QString>("wire");
        QTest::addColumn<QString>("nextSession");
        QTest::newRow("done") << int(End::Done) << "91:0 92:0" << "91 6E 92 6D" << "";
        QTest::newRow("cancelled") << int(End::Cancelled) << "91:3 92:0" << "91 6E 92 6D" << "";
        QTest::newRow("Trennen") << int(End::Disconnected) << "91:4 92:4"
                                 << "91 6E 99 66 9A 65" << "";
        QTest::newRow("port vanished")
            << int(End::PortLost) << "91:5 92:5" << "91 6E" << "99 66 9A 65";
    }
    void endings()
    {
        QFETCH(int, how);
        QFETCH(QString, endings);
        QFETCH(QString, wire);
        QFETCH(QString, nextSession);
        Bench b;
        const auto first = b.probe(JobKind::CvRead, 0x91), second = b.probe(JobKind::Switch, 0x92);
        b.req.submit(first);
        b.req.submit(second, ReqEngine::Caller::Follow);
        b.echo();
        second->done = true;
        switch (End(how)) {
        case End::Done: b.finish(first); break;
        case End::Cancelled: b.req.cancel(first); break;
        default: b.req.end_session(End(how)); break;
        }
        b.echo();
        QCOMPARE(b.endings.join(' '), endings);
        QCOMPARE(b.wire(), wire);
        QVERIFY(b.req.idle());
        b.req.begin_session();
        b.echo();
        QCOMPARE(b.wire(), nextSession);
    }

    void kindDeclaredTwiceIsAnError()
    {
        Rig rig; // every subsystem declares its kinds
        QCOMPARE(rig.core->req.declaration_errors(), 0);
        for (int k = 0; k < JobKindCount; ++k)
            QVERIFY2(rig.core->req.declared(JobKind(k)), qPrintable(QString::number(k)));
        QTest::ignoreMessage(QtWarningMsg, "job kind 0 declared twice");
        QVERIFY(!rig.core->req.declare(JobKind::PowerOff));
        QCOMPARE(rig.core->req.declaration_errors(), 1);
    }

    // Connected and idle, nothing is due and no timer runs; a message asked
    // for goes out at once, without a tick or the clock moving on; a wait
    // (a route's pause, an answer awaited) makes something due again.
    void idleProgramSleeps()
    {
        StationRig s;
        Application& core = *s.rig.core;
        s.rig.run(0.1);
        QCOMPARE(core.next_due(), -1.0);
        QVERIFY(!core.MainTimer.isActive());
        QVERIFY(core.power.set(false));
        QCOMPARE(s.rig.takeWire(), "82 7D");
        s.station.poll(); // the echo, at the same instant
        QCOMPARE(core.next_due(), -1.0);
        QVERIFY(core.identify.ask_version());
        QCOMPARE(core.next_due(), s.rig.clock.now() + Link::EchoTimeout); // its echo is awaited
        QVERIFY(core.MainTimer.isActive());
        core.FSTab.set_flag(3, RouteTable::Requested, true); // a route without steps
        s.rig.run(1);
        QCOMPARE(core.next_due(), -1.0);
    }

    // Sent through the program's verbs: the message goes out at once, with
    // nothing else to wait for.
    void oneMessageVerbs_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("wire");
        QTest::newRow("empty text") << "" << "";
        QTest::newRow("typed with a wrong checksum") << "82 7C" << "82 7C 01";
        QTest::newRow("typed with its checksum") << "82 7D" << "82 7D";
        QTest::newRow("refused value") << "B0 13 3G" << "";
        QTest::newRow("reset of the configuration")
            << "reset 0" << "ED 0F 01 5A 56 18 00 00 00 00 00 00 00 00 08";
        QTest::newRow("reset of the loco formats")
            << "reset 1" << "ED 0F 01 5A 56 18 00 01 00 00 00 00 00 00 09";
    }
    void oneMessageVerbs()
    {
        QFETCH(QString, raw);
        QFETCH(QString, wire);
        Rig rig;
        rig.connect();
        if (raw.startsWith("reset"))
            rig.core->options.reset(raw.back().digitValue());
        else
            rig.core->raw.send(raw);
        QCOMPARE(rig.takeWire(), wire);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
