#pragma once
// Choosing the interface type through which the command station is reached.

#include <QWidget>
#include <array>

class Application;
class QRadioButton;

class ZentraleForm : public QWidget {
    Q_OBJECT
  public:
    explicit ZentraleForm(Application& core, QWidget* parent = nullptr);

  protected:
    bool event(QEvent* event) override;

  private:
    void select_current();
    void accept_choice();

    Application& core_;
    std::array<QRadioButton*, 3> Iopt{};
};
