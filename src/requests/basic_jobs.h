#pragma once
// Jobs that send one message and are finished: power off (3), power on (4),
// raw message (40) and the station reset command (46).

class ReqEngine;
class Link;

void register_basic_jobs(ReqEngine& req, Link& link);
