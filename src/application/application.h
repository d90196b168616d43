#pragma once
// The application object: owns every subsystem, gives the shared variables
// their start values, runs the main tick and ends the program. Constructed
// with a clock, a port and the data folders, so tests build a fresh one each.

#include "accessory/feedback.h"
#include "accessory/keyboard.h"
#include "connection/connection.h"
#include "connection/identify.h"
#include "core/clock.h"
#include "core/datadir.h"
#include "core/file_io.h"
#include "core/messages.h"
#include "core/services.h"
#include "core/station_state.h"
#include "loco/drivers.h"
#include "loco/loco_dispatch.h"
#include "loco/loco_list.h"
#include "loco/loco_settings.h"
#include "loco/pultrix.h"
#include "loco/slots.h"
#include "loco/throttle.h"
#include "loconet/dispatch.h"
#include "loconet/link.h"
#include "programming/lncv.h"
#include "programming/lncv_manager.h"
#include "programming/programming.h"
#include "requests/basic_jobs.h"
#include "requests/engine.h"
#include "routes/route_engine.h"
#include "routes/route_panel.h"
#include "routes/route_table.h"
#include "station/sonder_options.h"
#include "trainid/kennix.h"
#include "withrottle/wt_locos.h"
#include "withrottle/wt_server.h"

#include <QObject>
#include <QTimer>

class Port;

class Application : public QObject {
    Q_OBJECT
  public:
    Application(Clock& clock, Port& port, const DataDir& dataDir, QObject* parent = nullptr);

    // Start-up: conf.dat, start values, locked and disconnected.
    void start();
    // What time drives: the link's time-outs, the jobs' deadlines, the
    // route engine's waits and blinking; then the free buffer is offered.
    // Messages themselves go out as soon as the buffer is free, without
    // waiting for a tick.
    void tick();
    // When tick() has work next; negative while nothing is time-driven.
    double next_due() const;
    // Stops the main timer, closes the port, saves what is kept across runs
    // and ends.
    void end_program();

    // Writes conf.dat with the values in use; called after a successful connection.
    bool save_conf();
    // Writes FS.DAT; a failure is reported and the old file stays. One that
    // start could not read whole is written only when the table changed, and
    // then kept beside the new one.
    bool save_fs();
    // A run against the built-in virtual station leaves conf.dat alone.
    bool keepConf = false;

    Clock& clock;
    Port& port;
    DataDir data;
    MessageService msgs;
    StationState state;
    Dispatch dispatch;
    Link link;
    ReqEngine req;
    Services services;
    Power power;
    RawMessage raw;
    Slots loco;      // the slot table
    Drivers drivers; // the throttles' locos: the panels and network throttles
    Throttle throttle;
    LocoSettings lokSettings;
    LocoDispatch lokDispatch;
    SonderOptions options;
    Keyboard keyboard;
    Feedback feedback;
    Kennix kennix;    // train identification
    RouteTable FSTab; // the route table, kept across runs in FS.DAT
    RoutePanel routePanel;
    RouteEngine routeEngine;
    Programming prog; // CVs on the programming track
    LncvProg lncv;    // LNCVs of LocoNet modules
    LncvManager lncvModules{services}; // whole modules: search, backup, restore
    Pultrix pultrix;  // windows of the throttle devices
    Identify identify;
    QTimer MainTimer; // single shot: runs tick() when something is due, idle otherwise
    Connection conn;
    LocoList locoList;           // names, labels and momentary buttons, kept in Lokliste.dat
    WtLocos wtLocos;             // the locos of the WiThrottle clients
    WiThrottleServer withrottle; // listens only when the option asks

  signals:
    // Menus and pages locked: not connected, or a long job runs.
    void lock_ui(bool busy);
    void ended();

  private:
    void take_input();
    void rearm();

    bool ended_ = false;
    DataFileAtStart fsAtStart_;
};
