#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace gw::controller {
class ResetController;
}

namespace gw::ui {

class ElidedLabel;

// The header: the item's icon and name and its one-line summary; before an
// item is loaded, the prompt and "Choose..."; the critical-error row.
class TopPanel : public QWidget {
    Q_OBJECT
  public:
    explicit TopPanel(controller::ResetController& controller, QWidget* parent = nullptr);

    QPushButton* chooseButton() const { return choose_; }

  private:
    void refresh();

    controller::ResetController& controller_;
    QWidget* spacer_;
    QLabel* icon_;
    ElidedLabel* title_;
    QLabel* summary_;
    ElidedLabel* folder_;
    QWidget* prompt_;
    QPushButton* choose_;
    QWidget* criticalRow_;
    QLabel* criticalText_;
};

}  // namespace gw::ui
