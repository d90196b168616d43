#pragma once
// Decoder programming on the programming track: the known CV values, the
// four CV lists, the read and write jobs and the intake of the programmer's
// reply in slot 124. The windows start jobs here and follow the signals;
// everything that decides what goes on the wire lives here.

#include "core/services.h"
#include "requests/engine.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace ln {
class Msg;
}
class CvTable;

constexpr int CvUnknown = 256;
constexpr int CvMax = 1024;
using CvValues = std::array<int, CvMax + 1>;

// "-" for an unknown value, else the decimal value.
QString cv_text(int v);

// What the standard-CV fields show.
struct StdCvs {
    QString address;             // CVTxt(1): short address, or the long one from CV 17/18
    std::array<QString, 7> cv{}; // cv[2..6] for CVTxt(2..6)
    QString version;             // CV 7
    QString manufacturer;        // name of CV 8
    int cv29 = 0;                // bits for the CV29 boxes (0 while unknown)
};

// Texts of a finished or failed single or list job.
enum class ProgColumn { Read, ListWrite, SingleWrite };
struct ProgError {
    QString status, box;
};
ProgError prog_error(int answer, ProgColumn column);

class Programming : public QObject {
    Q_OBJECT
  public:
    explicit Programming(const Services& s);

    enum List { StdList = 0, SpeedList = 1, UserList = 2, RcDataList = 3 };
    static constexpr int ReadAwaited = 65535;
    static constexpr int WriteAwaited = 65534;
    static constexpr int Written = 1000;
    static constexpr double AnswerTimeout = 5.0;
    static constexpr int ListSize = 1001;

    CvValues CvValue{};
    std::array<std::array<int, ListSize>, 4> CvList{};
    std::array<int, 4> CvListLast{-1, -1, -1, -1};
    QString DCCProgStat;

    // Manufacturer names by id (entry 256 is "-"), the current CV file and
    // the list file named in it (unset until one is chosen or read).
    std::array<QString, CvUnknown + 1> HerstellerName{};
    QString CvFileName;
    std::optional<QString> ListFileName;
    // "Laden" could not read CvFileName: "Speichern" must not replace it.
    bool CvFileUnread = false;

    // Speed-curve editor settings kept for the whole run.
    int SpeedRange = 128;
    bool SpeedShowPoints = false;

    // True until the programming window has been activated once.
    bool FirstActivation = true;

    int value(int cv) const { return cv >= 0 && cv <= CvMax ? CvValue[size_t(cv)] : CvUnknown; }
    void set_value(int cv, int v);
    void forget_values();

    // The lists, the manufacturer names, no file, all values unknown.
    void dcc_init();

    bool job_running() const;
    // Each start refuses (false, with one message) while disconnected,
    // while a job runs that must not be cut off, or when its input cannot
    // be read or is out of range; otherwise the buttons lock. Nothing
    // changes before a start is refused. Single CVs come as the fields' texts.
    bool read_one(const QString& cvText);
    bool write_one(const QString& cvText, const QString& valueText);
    bool read_list(int list);
    // A list write sends only known values: a CV whose value is unknown is
    // left alone rather than written as 0. A list with nothing to write is
    // refused with a message.
    bool write_list(int list);
    // Standard CVs from the fields: CVTxt(1..6) as typed ("-" or empty:
    // left as it is), the long-address box and CV 29 (unset: left alone).
    bool write_std(const std::array<QString, 7>& cvTxt, bool longAddress, std::optional<int> cv29);
    // The table's selected rows as list 2; false (no job) when none is
    // selected. A write leaves out the rows showing "-".
    bool read_user_list(const CvTable& table);
    bool write_user_list(const CvTable& table);
    bool read_rc_data();
    // The speed-curve window's buttons: list 1, and from the first read on
    // the curve's points are drawn. Writing first reminds of CV 29 bit 4.
    bool read_speed_table();
    bool write_speed_table();
    // "Abbruch": a running list job ends now; the station leaves
    // programming mode.
    void abort();

    // Enables the start buttons again unless a job still runs.
    void release_buttons();
    void set_prog_buttons(bool enable);

    StdCvs std_cvs() const;
    // CVTxt(1): the short address of CV 1, or the long one of CV 17/18.
    QString address_text(bool longAddress) const;
    // Lines of CVListe and the CV each stands for.
    QStringList cv_list_lines(QList<int>* cvs = nullptr) const;
    // The manufacturing data of CVs 262..272 as one caption.
    QString rc_data_text() const;

    // Files: the CV file CvFileName, the list file ListFileName, the
    // manufacturer list of the data folder. Failures are reported.
    bool save_cv();
    bool save_cv_as(const QString& name);
    bool load_cv(CvTable& table);
    bool save_cvtab(const CvTable& table);
    bool load_cvtab(CvTable& table);
    void load_manufacturers();

  signals:
    // set_prog_buttons: the start buttons of both windows follow `enable`,
    // their Abbruch buttons the opposite.
    void prog_buttons(bool enable);
    void status_shown(const QString& text);
    // CVValTxt of the single-CV fields after a read.
    void single_value_shown(const QString& text);
    void show_std_cvs();
    void show_cv_list();
    void speed_curve_done();
    void rc_data_shown(const QString& text);

  private:
    class CvJob;
    bool start(std::shared_ptr<CvJob> job);
    bool start_list(bool write, int list);
    bool start_write(int list);
    int next_write(int list, int pos) const;
    void status(const QString& text);
    void fail(const QString& text);
    void cv_list_done(int list);
    bool fill_user_list(const CvTable& table, bool withValues);
    void rx_programmer(const ln::Msg& m);

    Services s_;
    std::weak_ptr<CvJob> job_; // the job started last, while it runs
};
