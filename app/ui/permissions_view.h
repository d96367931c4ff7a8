#pragma once

#include <QWidget>

class QGridLayout;
class QLabel;

namespace gw::controller {
class ResetController;
class OwnerChangeSheet;
}  // namespace gw::controller

namespace gw::ui {

class GWStatusView;

// The owner/group/others grid of read, write and execute rights, and the
// deletable, lock and system-lock flags. Cells change what they show.
class PermissionsView : public QWidget {
    Q_OBJECT
  public:
    PermissionsView(controller::ResetController& controller,
                    controller::OwnerChangeSheet& ownerSheet, QWidget* parent = nullptr);

    // The right's cell: row 0 owner, 1 group, 2 others; column 0 read, 1 write, 2 execute.
    GWStatusView* cell(int row, int column) const { return cells_[row][column]; }
    GWStatusView* lockCell() const { return lock_; }
    QWidget* ownerLabel() const { return owner_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void refresh();

    controller::ResetController& controller_;
    controller::OwnerChangeSheet& ownerSheet_;
    QWidget* owner_;
    QLabel* ownerName_;
    QLabel* groupName_;
    GWStatusView* cells_[3][3];
    GWStatusView* deletable_;
    GWStatusView* lock_;
    GWStatusView* system_;
};

}  // namespace gw::ui
