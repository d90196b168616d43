#pragma once
// The LocoNet module manager: finds the modules on the bus by a broadcast,
// reads every LNCV of one, writes changed values and verifies them by
// reading back, saves them to a backup file and writes a backup back onto
// the module (or a replacement of the same article). Each of these is a
// session: programming mode is opened, the work is done and the end message
// goes out, however the session ends.

#include "core/services.h"
#include "lncv_tables.h"
#include "requests/engine.h"

#include <QObject>
#include <QString>
#include <memory>

namespace ln {
class Msg;
}

class LncvManager : public QObject {
    Q_OBJECT
  public:
    explicit LncvManager(const Services& s);

    // A search listens this long after its start, and at least this long
    // after the last answer: modules answer one after the other.
    static constexpr double SearchTime = 2.0;
    static constexpr double SearchQuiet = 1.0;
    // The highest printed article number whose field (/ 10) is no broadcast.
    static constexpr int MaxArticle = 655345;
    static constexpr int DefaultLast = 20;

    LncvModuleList& modules() { return modules_; }
    LncvValueTable& values() { return values_; }

    // The verbs of the window. Each refuses (false, with one message) what
    // cannot run now: not connected, other work running, a text that is no
    // number in range, no module chosen, nothing to write or save.
    // An empty article text asks every module on the bus.
    bool search(const QString& articleText);
    // Chooses the module of that row of modules(); -1 for none. Not while
    // a session runs.
    bool select(int row);
    int selected() const { return selected_; }
    // Every LNCV of the module's definition, or 0..lastText without one.
    bool read_all(const QString& lastText);
    bool write_changes();
    bool restore();
    // Whether there is anything to save, and a module to load a file for.
    bool can_save();
    bool can_load();
    bool save(const QString& path);
    bool load(const QString& path);
    // Ends the running session; its end message still goes out.
    void cancel();
    bool busy() const;

  signals:
    void busy_changed(bool busy);
    // A search found this many modules so far (total 0), or the session
    // works on the done-th of total LNCVs.
    void progress(int done, int total);
    void selection_changed(int row);

  private:
    class Session;
    bool start(const std::shared_ptr<Session>& job);
    bool refuse(const QString& text);
    bool writes(const QList<std::pair<int, int>>& values);
    lncvfile::Definition definition(int article) const;
    void rx_answer(const ln::Msg& m);
    // What sessions report.
    void found(LncvModuleId id);
    void nobody_answered(bool articleTyped);
    void readdressed(int address);

    Services s_;
    LncvModuleList modules_;
    LncvValueTable values_;
    int selected_ = -1;
    std::shared_ptr<Session> job_;
};
