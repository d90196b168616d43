#pragma once
// A command station at the far end of a port: it echoes every message it
// hears, answers from its own state as a real station does on LocoNet, and
// lets the user (or the demo) act as the other devices on the bus.
//
// Nothing here blocks or waits: the owner calls poll() often (a QTimer in
// the program, directly in tests) and the station acts on what its clock says.

#include "lncv_modules.h"
#include "loconet/views.h"
#include "programming_track.h"
#include "slots.h"
#include "station_settings.h"
#include "wire.h"

#include <QByteArray>
#include <functional>
#include <memory>
#include <vector>

class Clock;
class Port;

namespace sim {

class DemoLayout;

struct StationOptions {
    int stationType = 2;              // 1, 2 or 3: the identity slot 0 shows
    double answerDelay = 0.005;       // seconds from a message to its answer
    double programmingTime = 0.1;     // seconds a CV read or write takes on the track
    bool programmingSilent = false;   // the programming track never answers
    bool pace = false;                // write at LocoNet's 16457 baud
    qint64 serialNumber = 1234567890; // up to ten decimal digits
    int version = 0;                  // thousandths (2000 = 2.000); 0 = by station type
};

// Direction of travel in a Kennix loco report.
using KennixDirection = ln::TrainIdReport::Direction;

class VirtualStation {
  public:
    using Options = StationOptions;
    // Seconds since the station was made, the direction (true = written by
    // the station) and one whole message.
    using Monitor = std::function<void(double seconds, bool outgoing, const QByteArray& message)>;

    // The port must be open; the station only reads and writes it.
    VirtualStation(Port& port, const Clock& clock, Options options = {});
    ~VirtualStation();

    // Reads and answers what has arrived, runs the demo, writes what is due.
    void poll();
    // When poll() has work of the station's own next (an answer, a demo
    // event); negative for none. What arrives is another reason to poll.
    double next_due() const;
    void setMonitor(Monitor monitor) { monitor_ = std::move(monitor); }

    const Options& options() const { return options_; }
    // Messages dropped because more arrived than the paced bus carries.
    qint64 dropped() const { return tx_.dropped(); }
    bool power() const { return power_; }
    // Byte 7 of slot data: bit 0 power, bit 1 not paused, bit 2 LocoNet 1.1,
    // bit 3 programming track busy.
    uint8_t trackStatus() const;
    // Accessories 1..2048: -1 never switched, 0 red, 1 green.
    int accessoryState(int number) const;
    // Sensors 1..4096: -1 never reported, 0 free, 1 occupied.
    int sensorState(int number) const;

    SlotTable& slotTable() { return slots_; }
    StationSettings& settings() { return settings_; }
    ProgrammingTrack& programmingTrack() { return prog_; }
    LncvModules& lncvModules() { return lncv_; }

    // What other devices on the bus do; their messages go out at once.
    void setSensor(int number, bool occupied);
    // On and off message of a switch command (number 1..2048).
    void switchAccessory(int number, bool green);
    void setPower(bool on);
    // A Kennix receiver (0..2047) saw a loco; category 1..4.
    void kennixLoco(int receiver, int loco, int category, KennixDirection direction);
    void kennixSpeed(int receiver, int kmh);
    void kennixClear(int receiver);
    // Another throttle drives a loco; it asks for the loco's slot first if
    // the loco has none. Speed 0..127 (1 = emergency stop); dirf as in 0xA1.
    void throttleSpeed(int address, int speed);
    void throttleDirf(int address, int dirf);
    // Another throttle switches F0..F8 of a loco, keeping its other functions
    // and its direction.
    void throttleFunction(int address, int function, bool on);
    // The Pultrix device with this number (its LNCV 0) announces itself and
    // waits for its loco address (LNCV 10); false when there is no such device.
    bool announcePultrix(int device);
    // The loco a Pultrix device drives (its LNCV 10), 0 for none.
    int pultrixLoco(int device) { return lncv_.pultrixLoco(device); }

    // Locos, accessories, modules and a decoder of a small layout, and a
    // repeating schedule of events on the station's clock.
    void setupDemo();

  private:
    void receive(const QByteArray& message, double now);
    void handle(const QByteArray& message, double at);
    void answer(const QByteArray& message, double due);
    void report(double now, bool outgoing, const QByteArray& message);
    double deviceSends(const QByteArray& message, double at);
    int deviceTakesLoco(int address, double& at);
    void deviceTakesOver(int address, double at);

    void locoRequest(uint8_t opcode, int address, double at);
    void slotByte(int slot, uint8_t LocoSlot::*field, uint8_t value);
    void command(const QByteArray& message, double at);
    QByteArray commandAnswer(const ln::PeerMessage& command);
    void lncvRequest(const LncvRequest& request, double at);

    Port& port_;
    const Clock& clock_;
    Options options_;
    double start_;
    Monitor monitor_;
    MessageAssembler assembler_;
    Transmitter tx_;

    bool power_;
    SlotTable slots_;
    StationSettings settings_;
    ProgrammingTrack prog_;
    LncvModules lncv_;
    std::vector<int8_t> accessories_, sensors_;
    std::unique_ptr<DemoLayout> demo_;
    double lastDeviceMessage_ = 0;
};

} // namespace sim
