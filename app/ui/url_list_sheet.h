#pragma once

#include <QDialog>
#include <QStringList>

namespace gw::ui {

// "File Source URLS": every address an item was downloaded from, each with
// a button that copies it.
class URLListSheet : public QDialog {
    Q_OBJECT
  public:
    URLListSheet(const QStringList& whereFromURLS, QWidget* parent);
};

}  // namespace gw::ui
