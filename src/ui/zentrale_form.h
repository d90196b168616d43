#pragma once
// Choosing the interface type through which the command station is reached.

#include <QWidget>
#include <array>

class Core;
class QRadioButton;

class ZentraleForm : public QWidget {
    Q_OBJECT
  public:
    explicit ZentraleForm(Core& core, QWidget* parent = nullptr);

  protected:
    bool event(QEvent* event) override;

  private:
    void select_current();
    void accept_choice();

    Core& core_;
    std::array<QRadioButton*, 3> Iopt{};
};
