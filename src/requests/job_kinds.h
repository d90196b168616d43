#pragma once
// Every kind of work the program asks of the command station, in one list,
// with the class that decides whether it may run now. The README's table
// "When an action cannot run now" states the same rule for the user.

#include <QString>
#include <array>

enum class JobKind {
    PowerOff,        // STOP
    PowerOn,         // GO
    RawMessage,      // the main window's hex message
    SwitchPoll,      // the keyboard page's switch states
    Switch,          // one switch message (key held, off message)
    SwitchPulse,     // typed switch: on, pause, off
    SensorReport,    // a feedback report sent by the program
    Throttle,        // binding locos and sending the throttles' actions
    SafetyStop,      // speed 0 the program itself decided for a loco
    LocoDispatch,    // hand a loco to a throttle device
    LocoFormatRead,  // a loco's data format
    LocoFormatWrite, //
    OptionRead,      // special options, one or a list
    OptionListRead,  //
    OptionWrite,     //
    OptionListWrite, // the base settings
    Reset,           // reset of the station's configuration or loco formats
    Identify,        // slot 0: which station, and its power state
    Version,         // serial number and software version
    CvRead,          // programming track
    CvWrite,         //
    CvListRead,      //
    CvListWrite,     //
    LncvStart,       // a LocoNet module's LNCVs
    LncvEnd,         //
    LncvRead,        //
    LncvWrite,       //
    LncvSearch,      // the module manager: a broadcast search,
    LncvReadAll,     // every LNCV of a module,
    LncvWriteAll,    // changed or restored values, each read back
    LastWord,        // a message an ending still owes the station
};
inline constexpr int JobKindCount = int(JobKind::LastWord) + 1;

// What a job does to the others, and what they do to it.
enum class JobClass {
    // Goes out as the next message, between two messages of whatever job
    // runs; refused only while disconnected.
    Now,
    // Waits behind the jobs before it; over within seconds.
    Short,
    // Runs for long or leaves the station in a mode: while it runs or
    // waits, a user's action is refused ("Bitte warten, bis ... beendet ist.").
    Long,
};

struct JobInfo {
    JobClass cls;
    // The running work as a refusal names it; empty for Now and Short.
    QString what;
};

JobInfo job_info(JobKind kind);
