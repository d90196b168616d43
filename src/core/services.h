#pragma once
// The pieces a subsystem works with, handed to it as one bundle by the
// application object that owns them. A subsystem never sees its owner.

class Clock;
class DataDir;
class Dispatch;
class Link;
class MessageService;
class ReqEngine;
class StationState;

struct Services {
    const Clock& clock;
    MessageService& msgs;
    StationState& state;
    const DataDir& data;
    Link& link;
    Dispatch& dispatch;
    ReqEngine& req;
};
