#pragma once

#include <QDialog>

class QLineEdit;

namespace gw::controller {
class OwnerChangeSheet;
}

namespace gw::ui {

// "Set the File Owner": the name field and Cancel/Set, shown while the
// sheet's model says so.
class OwnerSheetDialog : public QDialog {
    Q_OBJECT
  public:
    OwnerSheetDialog(controller::OwnerChangeSheet& model, QWidget* parent);
    QLineEdit* nameField() const { return name_; }

  private:
    controller::OwnerChangeSheet& model_;
    QLineEdit* name_;
};

}  // namespace gw::ui
