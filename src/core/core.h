#pragma once
// The application object: owns every subsystem, gives the shared variables
// their start values, runs the main tick and ends the program. Constructed
// with a clock, a port and the data folder, so tests build a fresh one each.

#include "accessory/keyboard.h"
#include "clock.h"
#include "conf.h"
#include "datadir.h"
#include "loco/slots.h"
#include "loconet/connection.h"
#include "loconet/dispatch.h"
#include "loconet/identify.h"
#include "loconet/link.h"
#include "messages.h"
#include "requests/engine.h"

#include <QObject>
#include <QTimer>

class Port;

class Core : public QObject {
    Q_OBJECT
  public:
    Core(Clock& clock, Port& port, const QString& dataDir, QObject* parent = nullptr);

    // Start-up: conf.dat, start values, locked and disconnected.
    void start();
    // One tick of the main loop: request engine, route engine, send, receive.
    void tick();
    // Stops the main timer, saves what is kept across runs and ends.
    void end_program();

    // Writes conf.dat with the values in use; called after a successful connection.
    bool save_conf();
    // A run against the built-in virtual station leaves conf.dat alone.
    bool keepConf = false;

    // track power as last reported: 0 off, 1 on; others are ignored
    void show_power(int state);
    // The interface type chosen in the selection window.
    void set_interface(int ifType);

    Clock& clock;
    Port& port;
    DataDir data;
    MessageService msgs;
    Dispatch dispatch;
    int IfType = 3;
    QString ComPortNr = QStringLiteral("1");
    int StationType = 99;
    int PowerState = 0;
    Link link;
    ReqEngine req;
    Slots loco; // the slot table and throttle requests
    Keyboard keyboard;
    Identify identify;
    Connection conn;

    QTimer MainTimer; // 10 ms, runs tick() while connected
    QTimer Timer1;    // 100 ms input poll for interface type 2

  signals:
    void lock_ui(bool busy);
    void power_shown(int state);
    void station_changed(); // StationType or IfType changed: redraw the labels
    void ended();

  private:
    bool ended_ = false;
};
