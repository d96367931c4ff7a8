#pragma once

#include <functional>

#include <QWidget>

class QPushButton;
class QToolButton;
class QMenu;

namespace gw::controller {
class ResetController;
class OwnerChangeSheet;
}  // namespace gw::controller

namespace gw::ui {

class TopPanel;
class FileDetailsView;

// The window's content: the header, the details while an item is shown,
// the maker's logo or the update button at the bottom. Takes file drops
// (the first item only) and offers the item's context menu.
class ContentViewGW2 : public QWidget {
    Q_OBJECT
  public:
    ContentViewGW2(controller::ResetController& controller,
                   controller::OwnerChangeSheet& ownerSheet, QWidget* parent = nullptr);

    // Shows " Update Available " instead of the logo, as the settings say.
    void setUpdateAvailable(bool available);

    TopPanel* topPanel() const { return top_; }
    FileDetailsView* details() const { return details_; }
    QPushButton* updateButton() const { return updateButton_; }
    bool dropHappening() const { return dropHappening_; }
    // The item's context menu (none without an item); the caller owns it.
    QMenu* makeContextMenu(QWidget* parent);

  Q_SIGNALS:
    // " Update Available " was pressed.
    void updateCheckRequested();

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void refresh();
    void setDropHappening(bool happening);

    controller::ResetController& controller_;
    TopPanel* top_;
    FileDetailsView* details_;
    QToolButton* logo_;
    QPushButton* updateButton_;
    bool dropHappening_ = false;
    bool hoverAmbrelLogo_ = false;
};

}  // namespace gw::ui
