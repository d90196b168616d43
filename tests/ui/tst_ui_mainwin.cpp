// The main window's shell: power, lock, raw messages, connection buttons,
// menus, ending and the focus of the address fields.

#include "support/rig.h"
#include "support/ui_find.h"
#include "ui/lamp.h"
#include "ui/mainwin.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

namespace {
QString caption(MainWin& w)
{
    return find<QPushButton>(w, "StopGoBut").text();
}
int lamp(MainWin& w)
{
    return find<Lamp>(w, "StopGoAnz").colour();
}
QString label(MainWin& w, const char* name)
{
    return find<QLabel>(w, name).text();
}
void click(MainWin& w, const char* button)
{
    QTest::mouseClick(&find<QPushButton>(w, button), Qt::LeftButton);
}
// What the lock switches: menus "Einstellungen" and "Werkzeuge", MainTab, STOP/GO.
QList<bool> unlocked(MainWin& w)
{
    return {find<QMenu>(w, "EinstellMenu").menuAction()->isEnabled(),
            find<QMenu>(w, "ToolsMenu").menuAction()->isEnabled(),
            find<QTabWidget>(w, "MainTab").isEnabled(),
            find<QPushButton>(w, "StopGoBut").isEnabled()};
}
const QList<bool> allOn(4, true), allOff(4, false);
// The connected, idle program.
void unlock(Rig& rig)
{
    emit rig.core->lock_ui(false);
}
} // namespace

class TstMainWin : public QObject {
    Q_OBJECT

  private slots:
    void startsDisconnectedAndLocked()
    {
        Rig rig;
        rig.core->state.ComPortNr = QStringLiteral("4");
        MainWin win(*rig.core);
        QVERIFY(!find<QPushButton>(win, "OpenPortBut_0").isEnabled());
        QVERIFY(find<QPushButton>(win, "OpenPortBut_1").isEnabled());
        QCOMPARE(find<QComboBox>(win, "PortAdr").currentText(), QStringLiteral("4"));
        QCOMPARE(label(win, "Zentralen_Info"), QStringLiteral("unbekannt"));
        QCOMPARE(label(win, "Interface_Info"), QStringLiteral("USB->ZV/70820"));
        QCOMPARE(caption(win), QStringLiteral("- - -"));
        QCOMPARE(unlocked(win), allOff);
        QVERIFY(find<QMenu>(win, "OptMenu").isEnabled());
        QVERIFY(rig.takeWire().isEmpty());
    }

    void stopSendsPowerOffAndWaitsForItsEcho()
    {
        Rig rig;
        MainWin win(*rig.core);
        unlock(rig);
        click(win, "StopGoBut"); // power not known yet: nothing to switch
        rig.tick();
        QVERIFY(rig.takeWire().isEmpty());
        rig.send({0x83}); // another device switched the power on
        rig.tick();
        QCOMPARE(caption(win), QStringLiteral("STOP"));
        QCOMPARE(lamp(win), colour::Green);

        click(win, "StopGoBut");
        rig.tick();
        QCOMPARE(rig.takeWire(), QStringLiteral("82 7D"));
        QCOMPARE(caption(win), QStringLiteral("STOP"));
        QCOMPARE(lamp(win), colour::Green);
        rig.echo();
        rig.tick();
        QCOMPARE(caption(win), QStringLiteral("GO"));
        QCOMPARE(lamp(win), colour::Red);

        click(win, "StopGoBut");
        rig.tick();
        QCOMPARE(rig.takeWire(), QStringLiteral("83 7C"));
    }

    void runningJobLocksMenusTabsAndStopGo()
    {
        Rig rig;
        MainWin win(*rig.core);
        unlock(rig);
        QCOMPARE(unlocked(win), allOn);
        find<QAction>(win, "VersionMenu").trigger(); // asks the station, job 47
        rig.tick();
        QCOMPARE(unlocked(win), allOff);
        QVERIFY(find<QMenu>(win, "OptMenu").isEnabled());
        QVERIFY(find<QGroupBox>(win, "USB_Frame").isEnabled());
        rig.echo();
        rig.run(1.0);
        QCOMPARE(unlocked(win), allOff);
        rig.run(1.5); // no answer: the job ends with its time-out
        QCOMPARE(unlocked(win), allOn);
    }

    // Text typed into the raw message field, sent by Enter or the button,
    // connected or not; what goes on the wire.
    void rawMessage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("wire");
        QTest::newRow("button, double blank") << "BB  00 00" << false << true << "BB 00 00 44";
        QTest::newRow("Enter, checksum typed") << "B0 13 30 6C" << true << true << "B0 13 30 6C";
        QTest::newRow("not connected, button") << "82" << false << false << "";
        QTest::newRow("not connected, Enter") << "82" << true << false << "";
    }
    void rawMessage()
    {
        QFETCH(QString, text);
        QFETCH(bool, enter);
        QFETCH(bool, connected);
        QFETCH(QString, wire);
        Rig rig;
        MainWin win(*rig.core);
        if (connected)
            emit rig.core->conn.connected();
        auto& field = find<QLineEdit>(win, "MesTxt");
        QTest::keyClicks(&field, text);
        QCOMPARE(find<QPushButton>(win, "LN_MES_SEND").isEnabled(), connected);
        if (enter)
            QTest::keyClick(&field, Qt::Key_Return);
        else
            click(win, "LN_MES_SEND");
        rig.tick();
        QCOMPARE(rig.takeWire(), wire);
    }

    void trennenShowsNoPowerAndUnknownStation()
    {
        Rig rig;
        MainWin win(*rig.core);
        rig.core->state.StationType = 3;
        emit rig.core->state.station_changed();
        emit rig.core->conn.connected();
        unlock(rig);
        rig.send({0x83});
        rig.tick();
        QCOMPARE(label(win, "Zentralen_Info"), QStringLiteral("ZV-Basic"));
        QVERIFY(!find<QPushButton>(win, "OpenPortBut_1").isEnabled());

        click(win, "OpenPortBut_0");
        QCOMPARE(caption(win), QStringLiteral("---"));
        QCOMPARE(lamp(win), 224 + 224 * 256 + 224 * 65536);
        QCOMPARE(label(win, "Zentralen_Info"), QStringLiteral("unbekannt"));
        QVERIFY(!find<QPushButton>(win, "OpenPortBut_0").isEnabled());
        QVERIFY(find<QPushButton>(win, "OpenPortBut_1").isEnabled());
        QCOMPARE(unlocked(win), allOff);
        QVERIFY(!rig.port.isOpen());
    }

    void verbindenTakesThePortField()
    {
        Rig rig;
        MainWin win(*rig.core);
        auto& field = find<QComboBox>(win, "PortAdr");
        field.setEditText(QString());
        QTest::keyClicks(&field, QStringLiteral("7"));
        click(win, "OpenPortBut_1");
        QCOMPARE(rig.core->state.ComPortNr, QStringLiteral("7"));
        QVERIFY(rig.core->conn.state() != Connection::State::Disconnected);
    }

    void menuItems_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("caption"); // empty: a separator
        QTest::addColumn<bool>("works");
        auto row = [](const char* name, const char* menu, int pos, const QString& caption,
                      bool works) { QTest::newRow(name) << menu << pos << caption << works; };
        row("EndeMenu", "DateiMenu", 0, "Beenden", true);
        row("GrundeinMenu", "EinstellMenu", 0, "Grundeinstellungen", true);
        row("LokEinstMenu", "EinstellMenu", 1, "Lokdatenformat einzeln", true);
        row("SOMenu", "EinstellMenu", 2, "Sonderoptionen", true);
        row("VersionMenu", "EinstellMenu", 3, "Serien- und Versionsnummer", true);
        row("ResetMenu", "EinstellMenu", 4, "Zurücksetzen", true);
        row("aa", "EinstellMenu", 5, "", true);
        row("FaStrEdit", "EinstellMenu", 6, "Fahrstrassentabelle", true);
        row("bb", "EinstellMenu", 7, "", true);
        row("DDCProgMenu", "ToolsMenu", 0, "DCC Decoder programmieren", true);
        row("LNProgMenu", "ToolsMenu", 1, "LocoNet Module Programmieren", true);
        row("LokDisp", "ToolsMenu", 2, "Lok Dispatch - FRED", true);
        row("ZentraleMen", "OptMenu", 0, "Interface auswählen", true);
        row("ZkNamenMenu", "OptMenu", 1, "Namen für Kennix-Zugkategorien", true);
        row("HelpMenu", "InfoHelpMenu", 0, "Hilfe", true);
        row("InfoMenu", "InfoHelpMenu", 1, "Info", true);
    }
    void menuItems()
    {
        QFETCH(QString, menu);
        QFETCH(int, pos);
        QFETCH(QString, caption);
        QFETCH(bool, works);
        Rig rig;
        MainWin win(*rig.core);
        const QList<QAction*> items = find<QMenu>(win, menu).actions();
        QVERIFY(pos < items.size());
        QCOMPARE(items[pos]->objectName(), QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(items[pos]->text(), caption);
        QCOMPARE(items[pos]->isSeparator(), caption.isEmpty());
        QCOMPARE(items[pos]->isEnabled(), works);

        QStringList bar;
        for (QAction* a : win.menuBar()->actions())
            bar << a->menu()->objectName() + u'=' + a->text();
        QCOMPARE(bar, (QStringList{"DateiMenu=Datei", "EinstellMenu=Einstellungen",
                                   "ToolsMenu=Werkzeuge", "OptMenu=Optionen", "InfoHelpMenu=?"}));
    }

    void infoBoxShowsVersionOfThisBuild()
    {
        Rig rig;
        MainWin win(*rig.core);
        find<QAction>(win, "InfoMenu").trigger();
        const QString version = QStringLiteral("%1.%2.%3")
                                    .arg(QUORAIL_VERSION_MAJOR)
                                    .arg(QUORAIL_VERSION_MINOR)
                                    .arg(QUORAIL_VERSION_PATCH);
        QCOMPARE(rig.shown.size(), 1);
        QCOMPARE(rig.shown[0].title, QStringLiteral("Programminfo"));
        QCOMPARE(rig.shown[0].icon, MsgIcon::Information);
        QCOMPARE(rig.shown[0].text, "     Quorail    \r    Version: " + version);
        // Shown with the CR as a line break, and without holding up the program.
        auto& box = find<QMessageBox>(win, "MsgBox");
        QVERIFY(box.isVisible() && !box.isModal());
        QVERIFY(box.text().endsWith("\n    Version: " + version));
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
        Rig rig;
        MainWin win(*rig.core);
        win.show();
        QSignalSpy ended(rig.core.get(), &Application::ended);
        if (byMenu)
            find<QAction>(win, "EndeMenu").trigger();
        else
            win.close();
        win.close();
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
        Rig rig;
        MainWin win(*rig.core);
        win.show();
        unlock(rig);
        find<QTabWidget>(win, "MainTab").setCurrentIndex(page);
        find<QLineEdit>(win, "MesTxt").setFocus();
        // Asked for while a job holds the window locked: taken up on unlock...
        emit rig.core->lock_ui(true);
        emit rig.core->conn.focus_loco_address();
        emit rig.core->lock_ui(true); // every tick of a job repeats it
        unlock(rig);
        QCOMPARE(win.focusWidget()->objectName(), focus);
        // ...and kept through the next job.
        emit rig.core->lock_ui(true);
        unlock(rig);
        QCOMPARE(win.focusWidget()->objectName(), focus);
        // Unless the user goes elsewhere meanwhile.
        emit rig.core->lock_ui(true);
        find<QComboBox>(win, "PortAdr").setFocus();
        unlock(rig);
        QCOMPARE(win.focusWidget()->objectName(), QStringLiteral("PortAdr"));
    }
};

QTEST_MAIN(TstMainWin)
#include "tst_ui_mainwin.moc"
