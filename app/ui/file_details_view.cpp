#include "app/ui/file_details_view.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include "app/controller/reset_controller.h"
#include "app/ui/attribute_view_pretty.h"
#include "app/ui/gw_status_view.h"
#include "app/ui/permissions_view.h"
#include "app/ui/rounded_panel.h"
#include "app/ui/theme.h"
#include "app/ui/why_view.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace {

using inspection::variableValue;

std::pair<QString, QColor> verdictSymbol(variableValue value) {
    switch (value) {
        case variableValue::no:
            return {u"lock.circle.fill"_s, colors::primary()};
        case variableValue::yes:
            return {u"checkmark.circle.fill"_s, colors::green()};
        case variableValue::yesButAlso:
            return {u"checkmark.circle.trianglebadge.exclamationmark"_s, colors::orange()};
        case variableValue::error:
            return {u"exclamationmark.triangle.fill"_s, colors::yellow()};
        default:
            return {u"questionmark.circle"_s, colors::primary()};
    }
}

// A section's header: the bold title and a small "Reset" switch.
QWidget* sectionHeader(const QString& title, QCheckBox*& resetSwitch) {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(textLabel(title, 13, QFont::Bold));
    row->addStretch(1);
    resetSwitch = new QCheckBox(QCoreApplication::translate("file_details_view", "Reset"));
    QFont font = resetSwitch->font();
    font.setPointSizeF(11);
    resetSwitch->setFont(font);
    row->addWidget(resetSwitch);
    return header;
}

QWidget* section(QVBoxLayout*& content) {
    auto* widget = new QWidget;
    content = new QVBoxLayout(widget);
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(6);
    return widget;
}

}  // namespace

FileDetailsView::FileDetailsView(controller::ResetController& controller,
                                 controller::OwnerChangeSheet& ownerSheet, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new RoundedPanel(14, this);
    outer->addWidget(panel);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(10);

    auto* verdict = new QHBoxLayout;
    verdict->setSpacing(8);
    verdictIcon_ = new GWStatusView(u"questionmark.circle"_s, 18, colors::primary(), panel);
    verdict->addWidget(verdictIcon_);
    verdictText_ = textLabel(QString(), 13, QFont::Medium);
    verdictText_->setObjectName(u"verdict"_s);
    verdictText_->setWordWrap(true);
    verdict->addWidget(verdictText_, 1);
    column->addLayout(verdict);
    why_ = new WhyView(controller_, panel);
    column->addWidget(why_);
    column->addWidget(divider(panel));

    permissions_ = new PermissionsView(controller_, ownerSheet, panel);
    column->addSpacing(4);
    column->addWidget(permissions_);

    // For a folder: whether a reset goes through everything inside it.
    nested_ = new QCheckBox(panel);
    nested_->setObjectName(u"includeEnclosedItems"_s);
    nested_->setChecked(controller_.resetNestedItems());
    column->addWidget(nested_);
    connect(nested_, &QCheckBox::toggled, &controller_,
            &controller::ResetController::setResetNestedItems);
    connect(&controller_, &controller::ResetController::resetNestedItemsChanged, this,
            [this]() { nested_->setChecked(controller_.resetNestedItems()); });
    connect(&controller_, &controller::ResetController::enclosedItemsChanged, this,
            &FileDetailsView::refreshNested);

    QVBoxLayout* warningContent = nullptr;
    warnings_ = section(warningContent);
    warningContent->addWidget(divider());
    auto* rows = new QWidget;
    warningRows_ = new QVBoxLayout(rows);
    warningRows_->setContentsMargins(0, 0, 0, 0);
    warningContent->addWidget(rows);
    column->addWidget(warnings_);

    QVBoxLayout* aclContent = nullptr;
    aclSection_ = section(aclContent);
    aclContent->addWidget(divider());
    aclContent->addWidget(sectionHeader(
        QCoreApplication::translate("file_details_view", "Access Control Lists"), aclSwitch_));
    aclMessage_ = textLabel(QString(), 12, QFont::Normal, colors::secondary());
    aclContent->addWidget(aclMessage_);
    aclRows_ = new QVBoxLayout;
    aclContent->addLayout(aclRows_);
    column->addWidget(aclSection_);

    QVBoxLayout* attributeContent = nullptr;
    attributesSection_ = section(attributeContent);
    attributeContent->addWidget(divider());
    attributeContent->addWidget(sectionHeader(
        QCoreApplication::translate("file_details_view", "Attributes"), attributesSwitch_));
    attributesMessage_ = textLabel(
        QCoreApplication::translate("file_details_view", "Not allowed to see the Attributes"), 12,
        QFont::Normal, colors::secondary());
    attributeContent->addWidget(attributesMessage_);
    attributeRows_ = new QVBoxLayout;
    attributeContent->addLayout(attributeRows_);
    column->addWidget(attributesSection_);

    aclSwitch_->setChecked(controller_.resetACLs());
    attributesSwitch_->setChecked(controller_.resetAttributes());
    connect(aclSwitch_, &QCheckBox::toggled, &controller_,
            &controller::ResetController::setResetACLs);
    connect(attributesSwitch_, &QCheckBox::toggled, &controller_,
            &controller::ResetController::setResetAttributes);
    connect(&controller_, &controller::ResetController::resetACLsChanged, this,
            [this]() { aclSwitch_->setChecked(controller_.resetACLs()); });
    connect(&controller_, &controller::ResetController::resetAttributesChanged, this,
            [this]() { attributesSwitch_->setChecked(controller_.resetAttributes()); });
    connect(&controller_, &controller::ResetController::infoChanged, this,
            &FileDetailsView::refresh);
    refresh();
}

void FileDetailsView::refreshNested() {
    const auto& info = controller_.info();
    nested_->setVisible(info.url && info.typeIsFolder && !info.typeIsSymbolicLink);
    const auto count = controller_.enclosedItems();
    const QString label =
        QCoreApplication::translate("file_details_view", "Include enclosed items");
    if (!count) {
        nested_->setText(label +
                         QCoreApplication::translate("file_details_view", " (counting\u2026)"));
    } else if (*count >= controller::ResetController::kEnclosedLimit) {
        nested_->setText(label +
                         QCoreApplication::translate("file_details_view", " (more than %1 items)")
                             .arg(QLocale().toString(*count)));
    } else {
        nested_->setText(label + QCoreApplication::translate("file_details_view", " (%1 items)")
                                     .arg(QLocale().toString(*count)));
    }
}

void FileDetailsView::refresh() {
    const auto& info = controller_.info();
    refreshNested();
    const auto [symbol, color] = verdictSymbol(info.accessSummary.first);
    verdictIcon_->setSymbol(symbol, color);
    verdictText_->setText(info.accessSummary.second);

    clearLayout(warningRows_);
    for (const auto& warning : info.warnings) {
        warningRows_->addWidget(makeWarningView(warning));
    }
    warnings_->setVisible(info.warningsHave && !info.warnings.isEmpty());

    using inspection::FileACLStatus;
    aclSection_->setVisible(info.ACLStatus != FileACLStatus::noACLs);
    const QString aclText =
        info.ACLStatus == FileACLStatus::unknown
            ? QCoreApplication::translate("file_details_view", "Don't have permission to view")
        : info.ACLStatus == FileACLStatus::hasACLdetritus
            ? QCoreApplication::translate("file_details_view",
                                          "Contains ACL detritus, can be removed")
            : QString();
    aclMessage_->setText(aclText);
    aclMessage_->setVisible(!aclText.isEmpty());
    clearLayout(aclRows_);
    for (const auto& item : info.prettyACLS) {
        aclRows_->addWidget(makePrettyACLView(item));
    }

    using inspection::FileXattrStatus;
    attributesSection_->setVisible(info.xattrsStatus != FileXattrStatus::noXattrs);
    attributesMessage_->setVisible(info.xattrsStatus == FileXattrStatus::unknown);
    clearLayout(attributeRows_);
    for (const auto& item : info.prettyAttrs) {
        attributeRows_->addWidget(new AttributeViewPretty(item));
    }
    for (const auto& [name, value] : info.xattrs) {
        auto* row = new QHBoxLayout;
        auto* nameLabel = textLabel(name, 12, QFont::Medium);
        nameLabel->setToolTip(name);
        nameLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        nameLabel->setWordWrap(true);
        auto* valueLabel = textLabel(value, 12, QFont::Normal, colors::secondary());
        valueLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        row->addWidget(nameLabel, 1);
        row->addWidget(valueLabel, 0, Qt::AlignRight | Qt::AlignTop);
        attributeRows_->addLayout(row);
    }
}

}  // namespace gw::ui
