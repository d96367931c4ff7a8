#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QVBoxLayout;

namespace gw::controller {
class ResetController;
class OwnerChangeSheet;
}  // namespace gw::controller

namespace gw::ui {

class PermissionsView;
class GWStatusView;
class WhyView;

// What the record says about the item: the verdict, the rights grid, the
// warnings, the ACL and the attributes, with the two reset switches.
class FileDetailsView : public QWidget {
    Q_OBJECT
  public:
    FileDetailsView(controller::ResetController& controller,
                    controller::OwnerChangeSheet& ownerSheet, QWidget* parent = nullptr);

    PermissionsView* permissions() const { return permissions_; }
    QCheckBox* aclSwitch() const { return aclSwitch_; }
    QCheckBox* attributesSwitch() const { return attributesSwitch_; }
    QWidget* aclSection() const { return aclSection_; }
    QWidget* attributesSection() const { return attributesSection_; }
    QLabel* aclMessage() const { return aclMessage_; }
    QLabel* verdictText() const { return verdictText_; }
    WhyView* why() const { return why_; }
    QCheckBox* nestedSwitch() const { return nested_; }

  private:
    void refresh();
    void refreshNested();

    controller::ResetController& controller_;
    GWStatusView* verdictIcon_;
    QLabel* verdictText_;
    WhyView* why_;
    PermissionsView* permissions_;
    QCheckBox* nested_;
    QWidget* warnings_;
    QVBoxLayout* warningRows_;
    QWidget* aclSection_;
    QCheckBox* aclSwitch_;
    QLabel* aclMessage_;
    QVBoxLayout* aclRows_;
    QWidget* attributesSection_;
    QCheckBox* attributesSwitch_;
    QLabel* attributesMessage_;
    QVBoxLayout* attributeRows_;
};

}  // namespace gw::ui
