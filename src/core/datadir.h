#pragma once
// The data folder (Conf beside the program, or --conf-dir). Names are matched
// without regard to case when reading, since the files are spelled both ways.

#include <QString>

class DataDir {
  public:
    explicit DataDir(const QString& path = {}) : path_(path) {}
    const QString& path() const { return path_; }
    // Path of an existing file of that name in any case, else path/name.
    QString file(const QString& name) const;
    // The folder named "Conf" (any case) inside dir, or dir/Conf if none exists.
    static QString locate(const QString& dir);

  private:
    QString path_;
};
