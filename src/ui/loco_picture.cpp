#include "loco_picture.h"

#include <QFileInfo>
#include <QMouseEvent>

LocoPicture::LocoPicture(std::function<QString(const QString&)> locate, QString fallback,
                         QWidget* parent)
    : QLabel(parent), locate_(std::move(locate)), fallback_(std::move(fallback))
{
    setAlignment(Qt::AlignCenter);
    setMinimumSize(160, 80);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setCursor(Qt::PointingHandCursor);
}

void LocoPicture::show_picture(const QString& name)
{
    if (name == wanted_)
        return;
    wanted_ = name;
    for (const QString& candidate : {name, fallback_}) {
        const QString path = locate_(candidate);
        QPixmap picture;
        if (QFileInfo::exists(path) && picture.load(path)) {
            file_ = path;
            setPixmap(picture);
            return;
        }
    }
    file_.clear();
    setPixmap(QPixmap());
}

void LocoPicture::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}
