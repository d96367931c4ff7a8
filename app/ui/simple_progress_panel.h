#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QProgressBar;

namespace gw::controller {
class ResetController;
}

namespace gw::ui {

class GWStatusView;

// The reset's progress, as a sheet: the state's icon, the two lines, and
// "Cancel" while working, "Done" after.
class SimpleProgressPanel : public QDialog {
    Q_OBJECT
  public:
    SimpleProgressPanel(controller::ResetController& controller, QWidget* parent);
    QPushButton* button() const { return button_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void refresh();

    controller::ResetController& controller_;
    GWStatusView* status_;
    QProgressBar* spinner_;
    QLabel* title_;
    QLabel* detail_;
    QPushButton* button_;
    QPushButton* undo_;
};

}  // namespace gw::ui
