#pragma once

#include <string>
#include <vector>

#include <QWidget>

#include "app/inspection/access_explanation.h"

class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace gw::controller {
class ResetController;
}

namespace gw::ui {

// Under the verdict: why the user can't do what is refused, each blocking
// folder a link that loads it, and "Check as…" to read the same for another
// account.
class WhyView : public QWidget {
    Q_OBJECT
  public:
    explicit WhyView(controller::ResetController& controller, QWidget* parent = nullptr);

    QLineEdit* accountField() const { return account_; }
    // The sentences shown, the user's then the other account's.
    QStringList sentences() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void refresh();
    void checkAs();
    void fill(QVBoxLayout* rows, const inspection::AccessExplanation& explanation,
              bool refusedOnly);
    void openBlocker(const QString& link);

    controller::ResetController& controller_;
    QWidget* mine_;
    QVBoxLayout* mineRows_;
    QLineEdit* account_;
    QVBoxLayout* otherRows_;
    std::vector<std::string> links_;  // blocking folders, by link number
};

}  // namespace gw::ui
