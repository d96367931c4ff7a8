#pragma once

#include <QWidget>

class QGridLayout;
class QLabel;
class QToolButton;

namespace gw::controller {
class ResetController;
class OwnerChangeSheet;
}  // namespace gw::controller

namespace gw::ui {

class StatusCheckBox;

// The owner/group/others grid of read, write and execute rights, and the
// deletable, lock and system-lock flags. Cells change what they show.
class PermissionsView : public QWidget {
    Q_OBJECT
  public:
    PermissionsView(controller::ResetController& controller,
                    controller::OwnerChangeSheet& ownerSheet, QWidget* parent = nullptr);

    // The right's cell: row 0 owner, 1 group, 2 others; column 0 read, 1 write, 2 execute.
    StatusCheckBox* cell(int row, int column) const { return cells_[row][column]; }
    StatusCheckBox* lockCell() const { return lock_; }
    QToolButton* ownerLabel() const { return owner_; }

  private:
    void refresh();

    controller::ResetController& controller_;
    controller::OwnerChangeSheet& ownerSheet_;
    QToolButton* owner_;
    QLabel* groupName_;
    StatusCheckBox* cells_[3][3];
    StatusCheckBox* deletable_;
    StatusCheckBox* lock_;
    StatusCheckBox* system_;
    QLabel* notStored_;
};

}  // namespace gw::ui
