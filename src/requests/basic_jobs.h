#pragma once
// Work of one message: track power (STOP, GO) and the main window's raw
// message.

#include "engine.h"

#include <QObject>
#include <QString>

class Dispatch;
class StationState;

class Power : public QObject {
    Q_OBJECT
  public:
    Power(ReqEngine& req, StationState& state, Dispatch& dispatch);

    // STOP (false) or GO (true); goes out at once whatever runs, refused
    // only without a connection. The power shown follows when the message
    // comes back from the bus.
    bool set(bool on, ReqEngine::Caller caller = ReqEngine::Caller::User);

  private:
    ReqEngine& req_;
};

class RawMessage {
  public:
    RawMessage(ReqEngine& req, Link& link);
    // Hex text typed by the user; a message typed with its checksum goes
    // out as typed, not with a second one.
    bool send(const QString& text);

  private:
    ReqEngine& req_;
    Link& link_;
};
