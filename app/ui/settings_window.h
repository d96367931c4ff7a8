#pragma once

#include <QDialog>

class QTabWidget;

namespace gw::ui {

// The settings: a tab host, 450 points wide; Escape closes it.
class SettingsWindow : public QDialog {
    Q_OBJECT
  public:
    explicit SettingsWindow(QWidget* parent = nullptr);
    void addTab(QWidget* page, const QString& title);
    QTabWidget* tabs() const { return tabs_; }

  private:
    QTabWidget* tabs_;
};

}  // namespace gw::ui
