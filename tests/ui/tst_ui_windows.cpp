// The secondary windows of the shell (help, interface selection), F1 in
// every window, and message boxes that never block.

#include "support/ui_bench.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QTableWidget>
#include <QTableView>
#include <QTcpSocket>
#include <QTreeWidget>

namespace {
// A window added later, with no code of its own for F1.
class FutureWindow : public QWidget {
  public:
    QList<int> pressed;

  protected:
    void keyPressEvent(QKeyEvent* e) override { pressed << e->key(); }
};

void writeHelp(Rig& rig, const QByteArray& content)
{
    QFile f(rig.dir.filePath(QStringLiteral("Hilfe.txt")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QStringList helpLines(MainWin& win)
{
    QStringList lines;
    const auto& list = find<QListWidget>(win, "HlpTxt");
    for (int i = 0; i < list.count(); ++i)
        lines << list.item(i)->text();
    return lines;
}
} // namespace

struct ZentraleRow {
    int before, option;
    bool ok;
    int after;
    QString label;
};
Q_DECLARE_METATYPE(ZentraleRow)

class TstWindows : public QObject {
    Q_OBJECT

  private slots:
    // The help file's lines up to "##ENDE##", or where it was looked for; opened
    // again, the window reads the file anew without repeating lines.
    void helpShowsLinesBeforeEnde_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("no file") << QByteArray() << QStringList();
        QTest::newRow("ende on third line")
            << QByteArray("Erste Zeile\r\nZweite Zeile\r\n##ENDE##\r\nversteckt\r\n")
            << QStringList{"Erste Zeile", "Zweite Zeile"};
        QTest::newRow("no ende") << QByteArray("F1: Hilfe\r\n\r\n  eingerückt\r\nletzte")
                                 << QStringList{"F1: Hilfe", "", "  eingerückt", "letzte"};
    }
    void helpShowsLinesBeforeEnde()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, lines);
        UiBench b;
        const QString path = b.rig.dir.filePath("Hilfe.txt");
        if (file.isNull())
            lines << "Die Hilfedatei " + QDir::toNativeSeparators(path) + " wurde nicht gefunden.";
        else
            writeHelp(b.rig, file);
        QWidget& hilfe = b.open("HelpMenu", "Hilfe");
        QCOMPARE(helpLines(b.win), lines);
        hilfe.close();
        QVERIFY(hilfe.isHidden());
        writeHelp(b.rig, "eins\r\nzwei\r\n");
        b.open("HelpMenu", "Hilfe");
        b.open("HelpMenu", "Hilfe"); // already open: brought up only
        QCOMPARE(helpLines(b.win), (QStringList{"eins", "zwei"}));
    }

    // F1 opens the help that comes with the program at the part about the
    // window (or page) of the control; every window a user can open has one.
    void f1OpensHelpAtTheWindowsPart_data()
    {
        QTest::addColumn<QStringList>("steps"); // menu entries, or what brings the window
        QTest::addColumn<QString>("control");   // empty: a window added later
        QTest::addColumn<QString>("heading");   // empty: the start of the help
        const auto row = [](const QStringList& steps, const char* control, const char* heading) {
            QTest::newRow(control)
                << steps << QString::fromLatin1(control) << QString::fromUtf8(heading);
        };
        row({}, "MesTxt", "Das Hauptfenster");
        row({}, "", "");
        row({"page 0"}, "LokAdr_0", "Fahrpult 1 und Fahrpult 2");
        row({"page 1"}, "MainTab", "Fahrpult 1 und Fahrpult 2");
        row({"page 2"}, "KB_grn_3", "Magnetartikel");
        row({"page 3"}, "RMChgBut_0", "Rückmelder");
        row({"page 4"}, "FSSetBut_0", "Fahrstraßen");
        row({}, "Taste_Wadr", "Magnetartikel");
        row({}, "Taste_Radr", "Rückmelder");
        row({}, "Taste_Fadr", "Fahrstraßen");
        row({"FaStrEdit"}, "FSTab", "Fahrstraßentabelle");
        row({"FaStrEdit", "cell"}, "MagAdrTxt", "Fahrstraßentabelle");
        row({"GrundeinMenu"}, "StopModeChk", "Grundeinstellungen");
        row({"LokEinstMenu"}, "SetModeBut", "Lokdatenformat einzeln");
        row({"SOMenu"}, "SO_NR_TXT", "Sonderoptionen");
        row({"VersionMenu"}, "SeriLbl", "Serien- und Versionsnummer");
        row({"ResetMenu"}, "KonfBut_0", "Zurücksetzen");
        row({"DDCProgMenu"}, "CVAdrTxt", "DCC Decoder programmieren");
        row({"DDCProgMenu", "SpeedTabMenu"}, "Y255Chk", "Fahrstufentabelle");
        row({"LNProgMenu"}, "LNArtNrTxt", "LocoNet Module programmieren");
        row({"LncvModuleMenu"}, "LmArtNrTxt", "LocoNet Module verwalten");
        row({"LokDisp"}, "DispBut", "Lok Dispatch - FRED");
        row({"MonitorMenu"}, "FilterTxt", "LocoNet Monitor");
        row({"WiThrottleMenu"}, "DeviceView", "WiThrottle");
        row({"LokListeMenu"}, "LokNameTxt", "Lokliste");
        row({"ZentraleMen"}, "Iopt_1", "Interface auswählen");
        row({"ZkNamenMenu"}, "ZkTXT_0", "Namen für Kennix-Zugkategorien");
        row({"kennix"}, "LadrTxt", "Kennix-Zugerkennung");
        row({"pultrix"}, "Ladr", "PX Fahrpult");
        row({"InfoMenu"}, "MsgBox", "Meldungen");
        row({"HelpMenu"}, "HlpTxt", "Die Hilfe");
    }
    void f1OpensHelpAtTheWindowsPart()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, control);
        QFETCH(QString, heading);
        UiBench b;
        QVERIFY(QFile::copy(QUORAIL_DATA_DIR "/Hilfe.txt", b.rig.dir.filePath("Hilfe.txt")));
        b.win.show();
        b.unlock();
        for (const QString& step : steps) {
            if (step.startsWith("page "))
                b.w<QTabWidget>("MainTab").setCurrentIndex(step.back().digitValue());
            else if (step == "cell") {
                auto& grid = find<QTableView>(b.win, "FSTab");
                const QRect cell = grid.visualRect(grid.model()->index(1, 6));
                QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
            } else if (step == "kennix")
                b.rig.send({0xE4, 0x08, 2, 0x40, 9, 0, 1});
            else if (step == "pultrix")
                b.rig.sendRaw(sim::LncvModules::answer(7093, 0, 5));
            else
                find<QAction>(b.win, step).trigger();
            b.rig.tick();
        }
        FutureWindow future;
        QWidget* target = control.isEmpty() ? &future : &find<QWidget>(b.win, control);
        MainWin::show_window(target->window());
        auto& hilfe = find<QWidget>(b.win, "Hilfe");
        if (target->window() != &hilfe)
            hilfe.hide();
        QTest::keyClick(target, Qt::Key_F2);
        QCOMPARE(hilfe.isHidden(), target->window() != &hilfe);
        QTest::keyClick(target, Qt::Key_F1);
        QVERIFY(hilfe.isVisible());
        const QListWidgetItem* at = find<QListWidget>(hilfe, "HlpTxt").currentItem();
        QCOMPARE(at ? at->text() : QString(), heading);
        // The press is left to the window: F1 also drives a throttle function.
        if (control.isEmpty())
            QCOMPARE(future.pressed, (QList<int>{Qt::Key_F2, Qt::Key_F1}));
    }

    void zentraleFormSetsInterfaceOnOkOnly_data()
    {
        QTest::addColumn<ZentraleRow>("row");
        QTest::newRow("OK Zentrova 1") << ZentraleRow{3, 0, true, 1, "ComPort->ZV"};
        QTest::newRow("OK 70810") << ZentraleRow{3, 1, true, 2, "ComPort->70810"};
        QTest::newRow("OK USB") << ZentraleRow{1, 2, true, 3, "USB->ZV/70820"};
        QTest::newRow("Cancel") << ZentraleRow{2, 0, false, 2, "ComPort->70810"};
    }
    void zentraleFormSetsInterfaceOnOkOnly()
    {
        QFETCH(ZentraleRow, row);
        const auto& [before, option, ok, after, label] = row;
        UiBench b(before);
        QWidget& form = b.open("ZentraleMen", "ZentraleForm");
        auto option_ = [&form](int i) -> QRadioButton& {
            return find<QRadioButton>(form, QStringLiteral("Iopt_%1").arg(i));
        };
        QVERIFY(option_(before - 1).isChecked());
        // On the indicator: a click beside a short caption would miss the button.
        QTest::mouseClick(&option_(option), Qt::LeftButton, {}, {6, option_(option).height() / 2});
        QVERIFY(option_(option).isChecked());
        click(form, ok ? "OKButton" : "CancelButton");
        QCOMPARE(b.rig.core->state.IfType, after);
        QCOMPARE(find<QLabel>(b.win, "Interface_Info").text(), label);
        QVERIFY(form.isHidden());
        // Shown again, it offers the type in use, not one left unconfirmed.
        find<QAction>(b.win, "ZentraleMen").trigger();
        QVERIFY(option_(after - 1).isChecked());
    }

    // Every window of the menus, and the speed curve opened from the DCC
    // window; Escape closes each, wherever the focus is in it.
    void secondaryWindowsBelongToTheMainWindow_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QString>("window");
        const QList<QStringList> rows = {{"VersionMenu", "Version"},
                                         {"ZentraleMen", "ZentraleForm"},
                                         {"HelpMenu", "Hilfe"},
                                         {"InfoMenu", "MsgBox"},
                                         {"GrundeinMenu", "Grundeinst"},
                                         {"LokEinstMenu", "Lokeinst"},
                                         {"SOMenu", "SOWin"},
                                         {"ResetMenu", "Reset"},
                                         {"FaStrEdit", "FaStrEditForm"},
                                         {"LokListeMenu", "Lokliste"},
                                         {"DDCProgMenu", "DCCProg"},
                                         {"DDCProgMenu", "SpeedTabMenu", "DCCProgSpeed"},
                                         {"LNProgMenu", "LNProg"},
                                         {"LncvModuleMenu", "LncvModule"},
                                         {"LokDisp", "DispatchLok"},
                                         {"MonitorMenu", "LnMonitor"},
                                         {"WiThrottleMenu", "WiThrottleWin"},
                                         {"ZkNamenMenu", "ZKNamen"}};
        for (const QStringList& r : rows)
            QTest::newRow(qPrintable(r.last())) << r.first(r.size() - 1) << r.last();
    }
    void secondaryWindowsBelongToTheMainWindow()
    {
        QFETCH(QStringList, actions);
        QFETCH(QString, window);
        UiBench b;
        b.win.show();
        for (const QString& action : actions)
            find<QAction>(b.win, action).trigger();
        QPointer<QWidget> w = &find<QWidget>(b.win, window);
        QVERIFY(w->isVisible());
        // The window manager keeps it over the main window.
        QCOMPARE(w->windowHandle()->transientParent(), b.win.windowHandle());
        QVERIFY(w->width() > w->fontMetrics().horizontalAdvance(w->windowTitle()) + 100);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QWidget* focus = w->focusWidget() ? w->focusWidget() : w.get();
        QTest::keyClick(focus, Qt::Key_Escape);
        QVERIFY(!w || w->isHidden());
    }

    void wiThrottleWindowShowsTheServerAndItsDevices()
    {
        StationUiBench b;
        b.connect();
        WiThrottleServer& server = b.rig.core->withrottle;
        QWidget& w = b.open("WiThrottleMenu", "WiThrottleWin");
        const auto& label = find<QLabel>(w, "ServerLbl");
        QCOMPARE(label.text(), "Der Server läuft nicht. Er startet mit der Option --withrottle.");
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QTcpSocket phone;
        phone.connectToHost(QHostAddress::LocalHost, server.port());
        b.rig.core->locoList.set(LocoEntry{3, "BR 218", {}, {}});
        phone.write("NMein Handy\nMT+S3<;>S3\nM1+L1234<;>L1234\n");
        const auto& view = find<QTreeWidget>(w, "DeviceView");
        QTRY_COMPARE(view.topLevelItemCount(), 1);
        QTRY_COMPARE(view.topLevelItem(0)->text(0), QStringLiteral("Mein Handy"));
        QTRY_COMPARE(view.topLevelItem(0)->text(2), QStringLiteral("BR 218 (3)\n1234"));
        const QString running = QStringLiteral("Der Server läuft auf 127.0.0.1, Port %1.");
        QVERIFY(label.text().startsWith(running.arg(server.port())));
        phone.disconnectFromHost();
        QTRY_COMPARE(view.topLevelItemCount(), 0);
    }

    // A loco on a panel is added with its address filled in, named and
    // given labels; the panel shows the name; deleted, it is gone again.
    void locoListAddsAndDeletesLocos()
    {
        StationUiBench b;
        b.connect();
        b.rig.core->drivers.acquire(0, 3);
        b.rig.run(0.5);
        b.win.show();
        QWidget& w = b.open("LokListeMenu", "Lokliste");
        QVERIFY(w.screen()->availableGeometry().contains(w.frameGeometry()));
        find<QComboBox>(w, "LokAdrBox").setEditText("3x"); // not taken for 3
        QTest::keyClick(&find<QLineEdit>(w, "LokNameTxt"), Qt::Key_Return);
        QCOMPARE(b.rig.texts().last(), "Bitte eine Lokadresse von 1 bis 16383 eingeben!");
        click(w, "NeuBut");
        QCOMPARE(find<QComboBox>(w, "LokAdrBox").currentText(), "3");
        type(find<QLineEdit>(w, "FnLabel_2"), "Horn");
        QTest::mouseClick(&find<QCheckBox>(w, "FnMoment_2"), Qt::LeftButton);
        type(find<QLineEdit>(w, "LokNameTxt"), "BR 218");
        QTest::keyClick(&find<QLineEdit>(w, "LokNameTxt"), Qt::Key_Return);
        const LocoEntry* e = b.rig.core->locoList.find(3);
        QVERIFY(e && e->name == "BR 218" && e->labels[2] == "Horn" && e->momentary[2]);
        QCOMPARE(find<QTableWidget>(w, "LokTab").item(0, 1)->text(), "BR 218");
        QCOMPARE(b.w<QLabel>("LokName_0").text(), "BR 218");
        click(w, "LoeschenBut");
        QVERIFY(b.rig.core->locoList.entries().empty());
        QCOMPARE(b.w<QLabel>("LokName_0").text(), "");
        QCOMPARE(find<QComboBox>(w, "LokAdrBox").currentText(), "3"); // ready to add it again
    }

    void messageBoxesDoNotBlock()
    {
        UiBench b;
        b.rig.core->msgs.show(QStringLiteral("Fehler"), QStringLiteral("eins"), MsgIcon::Critical);
        b.rig.core->msgs.show(QStringLiteral("Zentrova 1:"), QStringLiteral("zwei"), MsgIcon::None);
        // Reaching this line means show() returned with both boxes open.
        const QList<QMessageBox*> boxes = b.win.findChildren<QMessageBox*>();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0]->windowTitle(), QStringLiteral("Fehler"));
        QCOMPARE(boxes[0]->icon(), QMessageBox::Critical);
        QCOMPARE(boxes[1]->text(), QStringLiteral("zwei"));
        QCOMPARE(boxes[1]->icon(), QMessageBox::NoIcon);
        QVERIFY(boxes[0]->isVisible() && boxes[1]->isVisible());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        QPointer<QMessageBox> first = boxes[0];
        QTest::mouseClick(first->button(QMessageBox::Ok), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QCOMPARE(b.win.findChildren<QMessageBox*>().size(), 1);
    }
};

QTEST_MAIN(TstWindows)
#include "tst_ui_windows.moc"
