#include "small_window.h"

#include "core/colour.h"
#include "core/number_text.h"
#include "lamp.h"

#include <QBoxLayout>
#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QWidget>
#include <algorithm>

void show_valid(QLineEdit* edit, bool valid)
{
    QPalette p = edit->palette();
    p.setColor(QPalette::Text, lamp_colour(valid ? colour::Black : colour::Red));
    edit->setPalette(p);
}

QLineEdit* number_edit(const char* name, int digits)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const int width = edit->fontMetrics().horizontalAdvance(QString(digits + 2, u'0'));
    edit->setMinimumWidth(width + 2 * edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
    return edit;
}

QPushButton* named_button(const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

void colour_as_typed(QLineEdit* edit, int max)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, max](const QString& t) {
        show_valid(edit, number_text_in(t, 0, max));
    });
}

namespace {
template <class Act> void on_escape(QWidget* window, Act act)
{
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    esc->setContext(Qt::WindowShortcut);
    QObject::connect(esc, &QShortcut::activated, window, act);
}
} // namespace

void hide_on_escape(QWidget* window)
{
    on_escape(window, &QWidget::hide);
}

void close_on_escape(QWidget* window)
{
    on_escape(window, [window] { window->close(); });
}

void fit_title(QBoxLayout* layout, const QString& title)
{
    const QWidget* window = layout->parentWidget();
    layout->addStrut(title_bar_width(window ? window->font() : QFont(), title));
}

void fit_title(QMessageBox* box)
{
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(title_bar_width(box->font(), box->windowTitle()), 0),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

int title_bar_width(const QFont& font, const QString& title)
{
    // Title bars draw bold, beside an icon and three buttons.
    constexpr int Decoration = 140;
    QFont bold = font;
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(title) + Decoration;
}

namespace {
void place_over_parent(QWidget* window)
{
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    if (!parent)
        return;
    // Not shown yet, the window has no frame: the parent's tells its size.
    const QSize decoration = parent->frameGeometry().size() - parent->size();
    const QRect screen = parent->screen()->availableGeometry();
    window->resize(window->size().boundedTo(screen.size() - decoration));
    const QSize frame = window->size() + decoration;
    QPoint at = parent->frameGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2);
    // A window larger than the screen (it cannot shrink below its layout) keeps its top left.
    at.setX(std::max(screen.left(), std::min(at.x(), screen.right() + 1 - frame.width())));
    at.setY(std::max(screen.top(), std::min(at.y(), screen.bottom() + 1 - frame.height())));
    window->move(at);
}

class PlaceOnce : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !event->spontaneous()) {
            place_over_parent(static_cast<QWidget*>(watched));
            deleteLater();
        }
        return false;
    }
};
} // namespace

void place_over_parent_once(QWidget* window)
{
    window->installEventFilter(new PlaceOnce(window));
}
