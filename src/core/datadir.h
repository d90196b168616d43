#pragma once
// The data folder (Conf beside the program, the user's application-data
// folder, or --conf-dir), backed by the installation's copy of the files
// that come with the program. Names are matched without regard to case when
// reading, since the files are spelled both ways.

#include <QString>

class DataDir {
  public:
    // installed: the installation's data folder, read where path lacks a file.
    DataDir(const QString& path = {}, const QString& installed = {})
        : path_(path), installed_(installed)
    {
    }
    const QString& path() const { return path_; }
    const QString& installed() const { return installed_; }
    // Path of an existing file of that name in any case, in the data folder
    // first, then in the installation's; else path/name, where it is written.
    QString file(const QString& name) const;
    // The folder named "Conf" (any case) inside dir, or dir/Conf if none exists.
    static QString locate(const QString& dir);
    // The folders of a program in programDir: confDir when given, else Conf
    // beside the program if it is there and writable, else the user's
    // application-data folder; backed by programDir/../share/quorail.
    static DataDir for_program(const QString& programDir, const QString& confDir = {});

  private:
    QString path_, installed_;
};
