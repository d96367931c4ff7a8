#pragma once

#include <functional>
#include <optional>

#include <QDateTime>
#include <QWidget>

#include "basalt/update/vexa_lite.h"

class QComboBox;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSettings;

namespace gw::ui {

// The "Updates" tab of the settings: how often to check, when next, what
// was found (with " Ignore " and its undo), debugging options, " Reset
// Settings " and " Check Now ".
class VEXASettingsView : public QWidget {
    Q_OBJECT
  public:
    VEXASettingsView(QSettings& settings, QWidget* parent = nullptr);

    // A new checker for the buttons; the application's own, or the tests'.
    std::function<basalt::VEXALite*()> makeChecker;

    QComboBox* frequency() const { return frequency_; }
    QLabel* nextCheck() const { return nextCheck_; }
    QLabel* availableUpdate() const { return availableUpdate_; }
    QPushButton* ignoreButton() const { return ignore_; }
    QPushButton* resetButton() const { return reset_; }
    QPushButton* checkNowButton() const { return checkNow_; }
    QCheckBox* showMoreOptions() const { return showMore_; }
    QListWidget* logList() const { return log_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void frequencyChosen(int index);
    void ignorePressed();
    void runCheck(bool silent);
    void refresh();

    QSettings& settings_;
    std::optional<QDateTime> nextUpdateCheck_;
    bool hasIgnoreInfo_ = false;
    QComboBox* frequency_;
    QLabel* nextCheck_;
    QLabel* availableUpdate_;
    QPushButton* ignore_;
    QCheckBox* showMore_;
    QWidget* moreOptions_;
    QCheckBox* ignoreMaintenance_;
    QListWidget* log_;
    QPushButton* reset_;
    QPushButton* checkNow_;
};

}  // namespace gw::ui
