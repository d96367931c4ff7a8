#pragma once

#include <QWidget>

class QLabel;

#include "app/inspection/pretty_acl_item.h"
#include "app/inspection/pretty_attribute.h"

namespace gw::ui {

// One warning: the yellow triangle and the message.
QWidget* makeWarningView(const QString& message, QWidget* parent = nullptr);

// One access-control entry: who, allowed or denied, and what.
QWidget* makePrettyACLView(const inspection::PrettyACLItem& item, QWidget* parent = nullptr);

// One explained attribute. A download origin's label is a link that opens
// the list of its addresses.
class AttributeViewPretty : public QWidget {
    Q_OBJECT
  public:
    explicit AttributeViewPretty(const inspection::PrettyAttribute& item,
                                 QWidget* parent = nullptr);
    bool hasMoreDetails() const { return hasMoreDetails_; }
    void showMoreURLInfo();
    // The label, or the link button when there is more to show.
    QWidget* label() const { return label_; }

  private:
    inspection::PrettyAttribute item_;
    bool hasMoreDetails_;
    QWidget* label_;
};

}  // namespace gw::ui
