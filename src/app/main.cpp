#include "core/core.h"
#include "core/datadir.h"
#include "loconet/memory_port.h"
#include "ui/mainwin.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    SteadyClock clock;
    MemoryPort port;
    Core core(clock, port, DataDir::locate(QCoreApplication::applicationDirPath()));
    core.start();
    MainWin win(core);
    QObject::connect(&core, &Core::ended, &app, &QApplication::quit);
    win.show();
    return app.exec();
}
