#pragma once
// The main window on a fresh core (see rig.h), optionally with the virtual
// station in memory answering, and the steps window tests share. Only the
// window tests include this: they link the widgets.

#include "rig.h"
#include "sim/virtual_station.h"
#include "ui/mainwin.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

// A control of a window by its name, as a user's report would name it.
template <class T = QWidget> T& find(const QObject& root, const QString& name)
{
    T* found = root.findChild<T*>(name);
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return *found;
}

struct UiBench {
    explicit UiBench(int ifType = 3) : rig(ifType) {}

    Rig rig;
    MainWin win{*rig.core};

    // The connected, idle program: no job holds the window locked.
    void unlock() { emit rig.core->lock_ui(false); }
    // Opens a window from its menu entry.
    QWidget& open(const QString& menuEntry, const QString& window)
    {
        find<QAction>(win, menuEntry).trigger();
        return find<QWidget>(win, window);
    }
    template <class T = QWidget> T& w(const QString& name) { return find<T>(win, name); }
};

struct StationUiBench : UiBench {
    explicit StationUiBench(sim::StationOptions options = {}) : station(rig.bus, rig.clock, options)
    {
        rig.station = [this] { station.poll(); };
    }
    // Connects and lets the connect sequence finish.
    void connect()
    {
        rig.core->conn.connect_port(QStringLiteral("1"));
        rig.run(3);
        rig.takeWire();
    }

    sim::VirtualStation station;
};

// Replaces a field's text key by key, as a user would.
inline void type(QLineEdit& edit, const QString& text)
{
    edit.selectAll();
    edit.del();
    QTest::keyClicks(&edit, text);
}

inline void click(const QObject& window, const QString& button)
{
    QTest::mouseClick(&find<QPushButton>(window, button), Qt::LeftButton);
}

// A field marked as holding input that cannot be taken.
inline bool red(const QWidget& w, QPalette::ColorRole role = QPalette::Text)
{
    return w.palette().color(role) == QColor(Qt::red);
}
