#pragma once
// Finding the controls of a window by their names, as a user's report would.

#include <QObject>
#include <QtGlobal>

template <class T = QObject> T& find(const QObject& root, const QString& name)
{
    T* found = root.findChild<T*>(name);
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return *found;
}
