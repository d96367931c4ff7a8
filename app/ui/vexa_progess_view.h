#pragma once

#include <QDialog>
#include <QPointer>

#include "basalt/update/vexa_lite.h"

class QPushButton;

namespace gw::ui {

// The small window of a manual check: "Checking for a Grantwell update..."
// and " Cancel " (Escape), which makes the check's answer count for nothing.
class VEXAProgessView : public QDialog, public basalt::VEXAProgressPresenter {
    Q_OBJECT
  public:
    explicit VEXAProgessView(QWidget* parent = nullptr);
    void showProgress(basalt::VEXALite& vexa) override;
    void hideProgress() override;
    QPushButton* cancelButton() const { return cancel_; }

  protected:
    void reject() override;  // Escape

  private:
    QPointer<basalt::VEXALite> vexa_;
    QPushButton* cancel_;
};

}  // namespace gw::ui
