#pragma once
// LocoNet modules configured by LNCVs. A module answers only while it is in
// programming mode, which a start request for its article and module
// address (LNCV 0) opens and an end request for its article closes.

#include "loconet/views.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <optional>

namespace sim {

// Article number of the Pultrix throttle devices as the messages carry it.
constexpr int PultrixArticle = 7093;
// Its LNCV that holds the loco address the device drives.
constexpr int PultrixLocoLncv = 10;

// Codes of the long acknowledge B4 6D that answers an LNCV write.
enum LncvCode : uint8_t { LncvOk = 0x7F, LncvMissing = 1, LncvReadOnly = 2, LncvInvalid = 3 };

struct Lncv {
    int value = 0;
    int min = 0, max = 65535;
    bool readOnly = false;
};

struct LncvModule {
    int article = 0; // as carried in the messages: the catalogue number / 10
    QMap<int, Lncv> lncvs;
    bool programming = false;
    bool awaitingLoco = false; // a Pultrix device after its announcement

    // Module address = LNCV 0.
    int address() const { return lncvs.value(0).value; }
    static LncvModule make(int article, int address);
};

struct LncvRequest {
    using Kind = ln::LncvMessage::Kind;
    Kind kind;
    int article, lncv, value;

    // ED 0F 01 05 00: start, read, end or write.
    static std::optional<LncvRequest> parse(const QByteArray& message);
};

class LncvModules {
  public:
    void add(const LncvModule& module) { modules_.append(module); }
    QList<LncvModule>& modules() { return modules_; }
    LncvModule* find(int article, int address);

    struct Result {
        QList<QByteArray> answers; // of every module concerned (none for an end)
        int locoTaken = 0;         // loco address an announced Pultrix device was given
    };
    Result request(const LncvRequest& r);
    // What a Pultrix device says to announce itself; empty when there is no
    // such device. It then waits for its loco address.
    QByteArray announce(int device);
    // The loco a Pultrix device was given (its LNCV 10), 0 for none.
    int pultrixLoco(int device);

    // E5 0F 05 00 00 1F with article, LNCV number and value.
    static QByteArray answer(int article, int lncv, int value);

  private:
    uint8_t write(LncvModule& m, int lncv, int value);

    QList<LncvModule> modules_;
};

} // namespace sim
