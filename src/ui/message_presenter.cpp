#include "message_presenter.h"

#include "small_window.h"

#include <QMessageBox>

namespace {
QMessageBox::Icon box_icon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

MessagePresenter::MessagePresenter(MessageService& msgs, QWidget* parent)
    : QObject(parent), parent_(parent)
{
    connect(&msgs, &MessageService::shown, this, &MessagePresenter::present);
    connect(&msgs, &MessageService::withdrawn, this, &MessagePresenter::withdraw);
}

void MessagePresenter::present(const QString& title, const QString& text, MsgIcon icon,
                               const QString& key)
{
    // Texts separate their lines with a bare CR, which a label does not break on.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    if (QMessageBox* open = key.isEmpty() ? nullptr : keyed_.value(key)) {
        open->setWindowTitle(title);
        open->setIcon(box_icon(icon));
        open->setText(shown);
        return;
    }
    auto* box = new QMessageBox(box_icon(icon), title, shown, QMessageBox::Ok, parent_);
    box->setObjectName(QStringLiteral("MsgBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::NonModal);
    fit_title(box);
    if (!key.isEmpty())
        keyed_.insert(key, box);
    box->show();
}

void MessagePresenter::withdraw(const QString& key)
{
    if (QMessageBox* open = keyed_.take(key))
        open->close();
}
