// The main window's shell: power, lock, the version window, raw messages,
// connection buttons, menus, ending and the focus of the address fields.

#include "support/ui_bench.h"
#include "ui/lamp.h"

#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>

namespace {
// The STOP/GO button's caption and the colour of its lamp.
std::pair<QString, int> stopGo(MainWin& w)
{
    return {find<QPushButton>(w, "StopGoBut").text(), find<Lamp>(w, "StopGoAnz").colour()};
}
// What the lock switches: menus "Einstellungen" and "Werkzeuge", MainTab.
// STOP/GO is never locked.
QList<bool> unlocked(MainWin& w)
{
    if (!find<QPushButton>(w, "StopGoBut").isEnabled())
        return {};
    return {find<QMenu>(w, "EinstellMenu").menuAction()->isEnabled(),
            find<QMenu>(w, "ToolsMenu").menuAction()->isEnabled(),
            find<QTabWidget>(w, "MainTab").isEnabled()};
}
const QList<bool> allOn(3, true), allOff(3, false);
} // namespace

class TstMainWin : public QObject {
    Q_OBJECT

  private slots:
    // Verbinden then takes the port typed, not the one shown at start.
    void startsDisconnectedAndVerbindenTakesThePortField()
    {
        Rig rig;
        rig.core->state.ComPortNr = QStringLiteral("4");
        MainWin win(*rig.core);
        QVERIFY(!find<QPushButton>(win, "OpenPortBut_0").isEnabled());
        QVERIFY(find<QPushButton>(win, "OpenPortBut_1").isEnabled());
        auto& field = find<QComboBox>(win, "PortAdr");
        QCOMPARE(field.currentText(), QStringLiteral("4"));
        QCOMPARE(find<QLabel>(win, "Zentralen_Info").text(), QStringLiteral("unbekannt"));
        QCOMPARE(stopGo(win).first, QStringLiteral("- - -"));
        QCOMPARE(unlocked(win), allOff);
        QVERIFY(rig.takeWire().isEmpty());

        field.setEditText(QString());
        QTest::keyClicks(&field, QStringLiteral("7"));
        click(win, "OpenPortBut_1");
        QCOMPARE(rig.core->state.ComPortNr, QStringLiteral("7"));
        QVERIFY(rig.core->conn.state() != Connection::State::Disconnected);
    }

    // STOP goes out at once, whatever runs; its caption follows the echo.
    // Only a connection is needed.
    void stopSendsPowerOffAndWaitsForItsEcho()
    {
        UiBench b;
        click(b.win, "StopGoBut");
        QCOMPARE(b.rig.texts(), QStringList{"Keine Verbindung zur Zentrale: bitte erst \"Verbinden\"."});
        QVERIFY(b.rig.takeWire().isEmpty());
        b.rig.connect(); // slot 0 says the power is on
        QCOMPARE(stopGo(b.win), std::pair(QString("STOP"), colour::Green));

        click(b.win, "StopGoBut");
        QCOMPARE(b.rig.takeWire(), QStringLiteral("82 7D"));
        QCOMPARE(stopGo(b.win), std::pair(QString("STOP"), colour::Green));
        b.rig.echo();
        QCOMPARE(stopGo(b.win), std::pair(QString("GO"), colour::Red));
        click(b.win, "StopGoBut");
        QCOMPARE(b.rig.takeWire(), QStringLiteral("83 7C"));
        b.rig.echo();

        // A long job locks menus and pages, never STOP, which goes out between its messages.
        QVERIFY(b.rig.core->prog.read_one("1"));
        QCOMPARE(unlocked(b.win), allOff);
        QCOMPARE(b.rig.takeWire(), "E5 07 01 5A 56 41 51");
        click(b.win, "StopGoBut");
        b.rig.echo();
        QCOMPARE(b.rig.takeWire(), QStringLiteral("82 7D"));
        b.rig.echo();
        QVERIFY(b.rig.takeWire().startsWith("ED 1F"));
        QVERIFY(b.rig.core->prog.job_running());
    }

    // The version window asks when it is opened, not when it comes to the
    // front again; the window keeps the answers.
    void versionWindowAsksWhenOpenedAndKeepsTheAnswers()
    {
        UiBench b;
        b.rig.connect();
        QCOMPARE(unlocked(b.win), allOn);
        QPointer<QWidget> version = &b.open("VersionMenu", "Version");
        QCOMPARE(version->windowTitle(), QStringLiteral("Serienummer und Software-Version"));
        QCOMPARE(b.rig.takeWire(), wire_hex("ED 0F 01 5A 56 07 00 00 00 00 00 00 00 00"));
        QCOMPARE(unlocked(b.win), allOn); // a short job locks nothing
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(version, &activate);
        b.rig.echo();
        b.rig.run(2.5); // no answer: the job ends with its time-out
        QCOMPARE(b.rig.takeWire(), QString());
        QVERIFY(b.rig.core->req.idle());
        QCOMPARE(b.rig.texts(), QStringList{"Keine Antwort Anfrage Seriennummer erhalten!"});

        emit b.rig.core->identify.version_shown("12345", "1.550");
        QCOMPARE(find<QLabel>(*version, "SeriLbl").text(), QStringLiteral("12345"));
        QCOMPARE(find<QLabel>(*version, "VersionLbl").text(), QStringLiteral("1.550"));
        // Closed, it is only hidden and keeps what it showed.
        version->close();
        QVERIFY(version && version->isHidden());
        QCOMPARE(find<QLabel>(*version, "SeriLbl").text(), QStringLiteral("12345"));
        find<QAction>(b.win, "VersionMenu").trigger();
        QVERIFY(b.rig.core->req.has(JobKind::Version));
    }

    // Text typed into the raw message field, sent by Enter or the button;
    // what goes on the wire.
    void rawMessage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<QString>("wire");
        QTest::newRow("button, double blank") << "BB  00 00" << false << "BB 00 00 44";
        QTest::newRow("Enter, checksum typed") << "B0 13 30 6C" << true << "B0 13 30 6C";
    }
    void rawMessage()
    {
        QFETCH(QString, text);
        QFETCH(bool, enter);
        QFETCH(QString, wire);
        UiBench b;
        QVERIFY(!find<QPushButton>(b.win, "LN_MES_SEND").isEnabled());
        b.rig.connect();
        auto& field = find<QLineEdit>(b.win, "MesTxt");
        QTest::keyClicks(&field, text);
        if (enter)
            QTest::keyClick(&field, Qt::Key_Return);
        else
            click(b.win, "LN_MES_SEND");
        b.rig.tick();
        QCOMPARE(b.rig.takeWire(), wire);
    }

    void trennenShowsNoPowerAndUnknownStation()
    {
        UiBench b;
        b.rig.connect(3);
        QCOMPARE(find<QLabel>(b.win, "Zentralen_Info").text(), QStringLiteral("ZV-Basic"));
        QVERIFY(!find<QPushButton>(b.win, "OpenPortBut_1").isEnabled());

        click(b.win, "OpenPortBut_0");
        QCOMPARE(stopGo(b.win), std::pair(QString("---"), 224 + 224 * 256 + 224 * 65536));
        QCOMPARE(find<QLabel>(b.win, "Zentralen_Info").text(), QStringLiteral("unbekannt"));
        QVERIFY(!find<QPushButton>(b.win, "OpenPortBut_0").isEnabled());
        QVERIFY(find<QPushButton>(b.win, "OpenPortBut_1").isEnabled());
        QCOMPARE(unlocked(b.win), allOff);
        QVERIFY(!b.rig.port.isOpen());
    }

    // The status bar's own field tells the connection state, whatever passes
    // through the bar (a menu entry's hint). A lost port has one box while it
    // is waited for, closed by itself once the program has connected again.
    void lostPortHasOneBoxUntilReconnected()
    {
        StationUiBench b;
        const auto& status = find<QLabel>(b.win, "VerbStatus");
        const auto boxes = [&] {
            QStringList texts;
            for (QMessageBox* box : b.win.findChildren<QMessageBox*>())
                if (box->isVisible())
                    texts << box->windowTitle() + u' ' + box->text();
            return texts;
        };
        const QString away = "Verbindungsfehler: Port " + port_device("1") + ": ";
        QCOMPARE(status.text(), "Nicht verbunden");
        b.connect();
        find<QAction>(b.win, "EndeMenu").showStatusText(&b.win);
        QCOMPARE(status.text(), "Verbunden");
        for (int loss = 0; loss < 3; ++loss) {
            b.rig.port.vanish("Input/output error");
            b.rig.port.refuseOpen("No such file or directory");
            QCOMPARE(status.text(), "Verbindung verloren – warte auf " + port_device("1") + " …");
            b.rig.run(2.5);
            QCOMPARE(boxes(), QStringList{away + "Input/output error"});
            b.rig.port.refuseOpen({});
            b.rig.run(3);
            QCOMPARE(status.text(), "Verbunden");
            QCOMPARE(boxes(), QStringList());
        }
        b.rig.port.vanish("Input/output error");
        b.rig.port.refuseOpen("No such file or directory");
        click(b.win, "OpenPortBut_1"); // tried at once, in vain: the box tells why
        QCOMPARE(boxes(), QStringList{away + "No such file or directory"});
        QCOMPARE(status.text(), "Nicht verbunden");
        QVERIFY(!b.rig.core->conn.waiting());
    }

    // Every entry of every menu in its place; a disabled one would have no window yet.
    void menusListTheirEntries()
    {
        UiBench b;
        QStringList entries;
        for (QAction* menu : b.win.menuBar()->actions()) {
            entries << menu->menu()->objectName() + u'=' + menu->text();
            for (QAction* a : menu->menu()->actions())
                entries << QStringLiteral("  %1=%2%3")
                               .arg(a->objectName(), a->isSeparator() ? "-" : a->text(),
                                    a->isEnabled() ? "" : " (disabled)");
        }
        QCOMPARE(entries, (QStringList{"DateiMenu=Datei",
                                       "  EndeMenu=Beenden",
                                       "EinstellMenu=Einstellungen",
                                       "  GrundeinMenu=Grundeinstellungen",
                                       "  LokEinstMenu=Lokdatenformat einzeln",
                                       "  SOMenu=Sonderoptionen",
                                       "  VersionMenu=Serien- und Versionsnummer",
                                       "  ResetMenu=Zurücksetzen",
                                       "  aa=-",
                                       "  FaStrEdit=Fahrstrassentabelle",
                                       "  LokListeMenu=Lokliste",
                                       "  bb=-",
                                       "ToolsMenu=Werkzeuge",
                                       "  DDCProgMenu=DCC Decoder programmieren",
                                       "  LNProgMenu=LocoNet Module Programmieren",
                                       "  LncvModuleMenu=LocoNet Module verwalten",
                                       "  LokDisp=Lok Dispatch - FRED",
                                       "  MonitorMenu=LocoNet Monitor",
                                       "  WiThrottleMenu=WiThrottle",
                                       "OptMenu=Optionen",
                                       "  ZentraleMen=Interface auswählen",
                                       "  ZkNamenMenu=Namen für Kennix-Zugkategorien",
                                       "InfoHelpMenu=?",
                                       "  HelpMenu=Hilfe",
                                       "  InfoMenu=Info"}));
    }

    void infoBoxShowsVersionOfThisBuild()
    {
        UiBench b;
        find<QAction>(b.win, "InfoMenu").trigger();
        const QString version = QStringLiteral("%1.%2.%3")
                                    .arg(QUORAIL_VERSION_MAJOR)
                                    .arg(QUORAIL_VERSION_MINOR)
                                    .arg(QUORAIL_VERSION_PATCH);
        QCOMPARE(b.rig.texts(), QStringList{"     Quorail    \r    Version: " + version});
        QCOMPARE(b.rig.shown[0].title, QStringLiteral("Programminfo"));
        QCOMPARE(b.rig.shown[0].icon, MsgIcon::Information);
        // Shown with the CR as a line break.
        QVERIFY(find<QMessageBox>(b.win, "MsgBox").text().endsWith("\n    Version: " + version));
    }

    void closingOrBeendenEndsTheProgramOnce_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("window closed") << false;
        QTest::newRow("Beenden") << true;
    }
    void closingOrBeendenEndsTheProgramOnce()
    {
        QFETCH(bool, byMenu);
        UiBench b;
        b.win.show();
        QSignalSpy ended(b.rig.core.get(), &Application::ended);
        if (byMenu)
            find<QAction>(b.win, "EndeMenu").trigger();
        else
            b.win.close();
        b.win.close();
        QCOMPARE(ended.count(), 1);
    }

    void locoAddressFocusSurvivesTheLock_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("focus");
        QTest::newRow("Fahrpult 1") << 0 << "LokAdr_0";
        QTest::newRow("Fahrpult 2") << 1 << "LokAdr_1";
        QTest::newRow("Magnetartikel") << 2 << "MesTxt";
    }
    void locoAddressFocusSurvivesTheLock()
    {
        QFETCH(int, page);
        QFETCH(QString, focus);
        UiBench b;
        b.win.show();
        b.unlock();
        find<QTabWidget>(b.win, "MainTab").setCurrentIndex(page);
        find<QLineEdit>(b.win, "MesTxt").setFocus();
        // Asked for while a job holds the window locked: taken up on unlock...
        emit b.rig.core->lock_ui(true);
        emit b.rig.core->conn.focus_loco_address();
        emit b.rig.core->lock_ui(true); // every tick of a job repeats it
        b.unlock();
        QCOMPARE(b.win.focusWidget()->objectName(), focus);
        // ...and kept through the next job.
        emit b.rig.core->lock_ui(true);
        b.unlock();
        QCOMPARE(b.win.focusWidget()->objectName(), focus);
        // Unless the user goes elsewhere meanwhile.
        emit b.rig.core->lock_ui(true);
        find<QComboBox>(b.win, "PortAdr").setFocus();
        b.unlock();
        QCOMPARE(b.win.focusWidget()->objectName(), QStringLiteral("PortAdr"));
    }
};

QTEST_MAIN(TstMainWin)
#include "tst_ui_mainwin.moc"
