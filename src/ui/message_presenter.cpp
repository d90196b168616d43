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
}

void MessagePresenter::present(const QString& title, const QString& text, MsgIcon icon)
{
    // Texts separate their lines with a bare CR, which a label does not break on.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    auto* box = new QMessageBox(box_icon(icon), title, shown, QMessageBox::Ok, parent_);
    box->setObjectName(QStringLiteral("MsgBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::NonModal);
    fit_title(box);
    box->show();
}
