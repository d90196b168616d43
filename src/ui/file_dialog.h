#pragma once
// A file dialog that does not block: `chosen` gets the file name; a
// cancelled dialog changes nothing.

#include <QString>
#include <functional>

class QWidget;

void ask_file(QWidget* parent, bool save, const QString& title, const QString& filter,
              const QString& suffix, const QString& start,
              std::function<void(const QString&)> chosen);
