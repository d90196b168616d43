#include "mainwin.h"

#include "core/core.h"

MainWin::MainWin(Core& core, QWidget* parent) : QMainWindow(parent), core_(core)
{
    setObjectName(QStringLiteral("MainWin"));
    setWindowTitle(QStringLiteral("Quorail"));
}
