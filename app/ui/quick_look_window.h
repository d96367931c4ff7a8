#pragma once

#include <string>

#include <QDialog>

namespace gw::ui {

// A preview of the item: images and text as they are, anything else as its
// icon and facts. Only regular files are ever opened, and only the first
// part of a large one is read. Space or Escape closes it.
class QuickLookWindow : public QDialog {
    Q_OBJECT
  public:
    QuickLookWindow(const std::string& path, QWidget* parent);

    enum class Kind { image, text, facts };
    Kind kind() const { return kind_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    Kind kind_ = Kind::facts;
};

}  // namespace gw::ui
