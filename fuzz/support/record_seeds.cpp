// Records the traffic between the program and the virtual station as fuzz
// scripts: what the station sent seeds bus_input, what the program sent
// seeds sim_input. Usage: fuzz_record_seeds <corpus folder>

#include "app_bench.h"
#include "script.h"
#include "sim/virtual_station.h"

#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

struct Recording {
    Recording(int ifType, sim::StationOptions options, bool demo)
        : ifType(ifType),
          flags((options.stationType - 1) | (options.pace ? 0x10 : 0) | (demo ? 0x20 : 0)),
          bench(ifType), station(bench.ports.b, bench.clock, options)
    {
        if (demo)
            station.setupDemo();
    }

    void run(double seconds)
    {
        for (double t = 0; t < seconds; t += 0.01) {
            const qsizetype a0 = bench.ports.a.written().size();
            const qsizetype b0 = bench.ports.b.written().size();
            bench.tick();
            toStation.bytes(bench.ports.a.written().mid(a0));
            toStation.ticks(1);
            station.poll();
            fromStation.ticks(1);
            fromStation.bytes(bench.ports.b.written().mid(b0));
        }
    }
    // Asks for something once the engine is free and lets it run.
    void job(const std::function<void(Application&)>& action)
    {
        run(0.2);
        action(*bench.core);
        run(0.8);
    }

    int ifType, flags;
    fuzz::AppBench bench;
    sim::VirtualStation station;
    fuzz::ScriptWriter fromStation, toStation;
};

void save(const QString& path, const QByteArray& content)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

void save(const QString& corpus, const QString& name, const Recording& r)
{
    save(corpus + "/bus_input/" + name, char(r.ifType - 1) + r.fromStation.out);
    save(corpus + "/sim_input/" + name, char(r.flags) + r.toStation.out);
}

// What a user types into the raw-message box: commands of every kind the
// station knows, the programming track and an LNCV session.
const char* const kRawMessages[] = {
    "BB 00 00",
    "BB 05 00",
    "BF 00 4E",
    "A0 01 20",
    "A1 01 30",
    "B0 04 30",
    "B0 04 20",
    "BC 04 00",
    "B2 05 50",
    "BA 01 01",
    "B5 01 13",
    "D4 20 01 08 05",
    "ED 0F 01 5A 56 02 00 61 00 00 00 00 00 00",
    "ED 0F 01 5A 56 0D 00 03 00 00 00 00 00 00",
    "E5 07 01 5A 56 41",
    "ED 1F 01 5A 56 71 72 01 00 00 70 00 00 00 00 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
    "E5 07 01 5A 56 40",
    "ED 0F 01 05 00 21 41 52 04 00 00 01 00 00",
    "ED 0F 01 05 00 21 01 52 04 01 00 00 00 00",
    "ED 0F 01 05 00 21 01 52 04 00 00 01 00 40"};

sim::StationOptions station(int type, bool pace = false)
{
    sim::StationOptions o;
    o.stationType = type;
    o.pace = pace;
    return o;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const QString corpus = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(corpus + "/bus_input");
    QDir().mkpath(corpus + "/sim_input");

    for (int type = 1; type <= 3; ++type) {
        Recording r(3, station(type), false);
        r.run(3);
        save(corpus, QStringLiteral("connect_station%1").arg(type), r);
    }
    {
        Recording r(2, station(2, true), false);
        r.run(3);
        save(corpus, QStringLiteral("connect_70810_paced"), r);
    }
    {
        Recording r(3, station(2), false);
        r.run(3);
        r.job([](Application& a) { a.power.set(true); });
        r.job([](Application& a) { a.power.set(false); });
        r.job([](Application& a) { a.drivers.acquire(0, 3); }); // loco 3 to the first panel
        for (const char* raw : kRawMessages)
            r.job([raw](Application& a) { a.raw.send(QString::fromLatin1(raw)); });
        r.run(3); // the programming track answers late
        save(corpus, QStringLiteral("actions"), r);
    }
    {
        Recording r(3, station(2), true);
        r.run(30);
        save(corpus, QStringLiteral("demo"), r);
    }
    return 0;
}
