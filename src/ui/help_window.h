#pragma once
// The help window: the lines of the help file in a list, opened at the part
// about the window the user asks from.

#include <QWidget>

class Application;
class QListWidget;

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(Application& core, QWidget* parent = nullptr);

    // The heading of the help file's part about the window or page that
    // holds w; empty when it has none.
    static QString section_of(const QWidget* w);
    // Shows the line that is the heading at the top of the list, selected;
    // without such a line the start of the file.
    void show_section(const QString& heading);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void fill();

    Application& core_;
    QListWidget* HlpTxt;
};
