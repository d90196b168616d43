#include "help_window.h"

#include "small_window.h"

#include "application/application.h"
#include "core/shell.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QListWidget>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Hilfe");
const QString kHelpFile = QStringLiteral("Hilfe.txt");
const QString kNichtGefunden = QStringLiteral("Die Hilfedatei %1 wurde nicht gefunden.");

// The heading in the help file of each window and page, by the objectName
// of the window or page (or of a control in it, where windows share a part).
const QHash<QString, QString>& sections()
{
    static const QHash<QString, QString> map = [] {
        const QList<std::pair<QString, QStringList>> parts = {
            {QStringLiteral("Das Hauptfenster"), {"MainWin"}},
            {QStringLiteral("Fahrpult 1 und Fahrpult 2"), {"Fahrpult_0", "Fahrpult_1"}},
            {QStringLiteral("Magnetartikel"), {"KeyboardPage", "Taste_Wadr"}},
            {QStringLiteral("Rückmelder"), {"FeedbackPage", "Taste_Radr"}},
            {QStringLiteral("Fahrstraßen"), {"RoutePage", "Taste_Fadr"}},
            {QStringLiteral("Fahrstraßentabelle"), {"FaStrEditForm", "AdrEingForm"}},
            {QStringLiteral("Grundeinstellungen"), {"Grundeinst"}},
            {QStringLiteral("Lokdatenformat einzeln"), {"Lokeinst"}},
            {QStringLiteral("Sonderoptionen"), {"SOWin"}},
            {QStringLiteral("Serien- und Versionsnummer"), {"Version"}},
            {QStringLiteral("Zurücksetzen"), {"Reset"}},
            {QStringLiteral("DCC Decoder programmieren"), {"DCCProg", "NeueCVZeile"}},
            {QStringLiteral("Fahrstufentabelle"), {"DCCProgSpeed"}},
            {QStringLiteral("LocoNet Module programmieren"), {"LNProg"}},
            {QStringLiteral("LocoNet Module verwalten"), {"LncvModule"}},
            {QStringLiteral("Lok Dispatch - FRED"), {"DispatchLok"}},
            {QStringLiteral("LocoNet Monitor"), {"LnMonitor"}},
            {QStringLiteral("WiThrottle"), {"WiThrottleWin"}},
            {QStringLiteral("Lokliste"), {"Lokliste"}},
            {QStringLiteral("Interface auswählen"), {"ZentraleForm"}},
            {QStringLiteral("Namen für Kennix-Zugkategorien"), {"ZKNamen"}},
            {QStringLiteral("Kennix-Zugerkennung"), {"KennixWin", "Dialog"}},
            {QStringLiteral("PX Fahrpult"), {"F70930"}},
            {QStringLiteral("Meldungen"), {"MsgBox"}},
            {QStringLiteral("Die Hilfe"), {"Hilfe"}},
        };
        QHash<QString, QString> m;
        for (const auto& [heading, names] : parts)
            for (const QString& name : names)
                m.insert(name, heading);
        return m;
    }();
    return map;
}
} // namespace

HelpWindow::HelpWindow(Application& core, QWidget* parent)
    // A dialog of the main window: the window manager keeps it over it.
    : QWidget(parent, Qt::Dialog), core_(core), HlpTxt(new QListWidget)
{
    setObjectName(QStringLiteral("Hilfe"));
    setWindowTitle(kTitle);
    HlpTxt->setObjectName(QStringLiteral("HlpTxt"));
    HlpTxt->setSelectionMode(QAbstractItemView::SingleSelection);
    // The help lines up its explanations in columns.
    HlpTxt->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HlpTxt);
    const QFontMetrics fm(HlpTxt->font());
    resize(fm.horizontalAdvance(QString(80, u'x')) + 60, fm.lineSpacing() * 40);
    hide_on_escape(this);
}

QString HelpWindow::section_of(const QWidget* w)
{
    for (; w; w = w->parentWidget()) {
        // On a tab's bar the page it shows is meant.
        if (const auto* tabs = qobject_cast<const QTabWidget*>(w))
            if (const QWidget* page = tabs->currentWidget();
                page && sections().contains(page->objectName()))
                return sections().value(page->objectName());
        if (const auto it = sections().constFind(w->objectName()); it != sections().constEnd())
            return *it;
    }
    return {};
}

void HelpWindow::show_section(const QString& heading)
{
    const QList<QListWidgetItem*> found = heading.isEmpty()
                                              ? QList<QListWidgetItem*>()
                                              : HlpTxt->findItems(heading, Qt::MatchExactly);
    if (found.isEmpty()) {
        HlpTxt->setCurrentRow(-1);
        HlpTxt->scrollToTop();
        return;
    }
    HlpTxt->setCurrentItem(found.first());
    HlpTxt->scrollToItem(found.first(), QAbstractItemView::PositionAtTop);
}

void HelpWindow::showEvent(QShowEvent* event)
{
    // Read each time it is opened, so an edited help file shows at once.
    if (!event->spontaneous())
        fill();
    QWidget::showEvent(event);
}

void HelpWindow::fill()
{
    HlpTxt->clear();
    const QString path = core_.data.file(kHelpFile);
    if (!QFile::exists(path))
        HlpTxt->addItem(kNichtGefunden.arg(QDir::toNativeSeparators(path)));
    else
        HlpTxt->addItems(read_help(path));
}
