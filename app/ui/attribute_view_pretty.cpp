#include "app/ui/attribute_view_pretty.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/gw_status_view.h"
#include "app/ui/rounded_panel.h"
#include "app/ui/symbols.h"
#include "app/ui/theme.h"
#include "app/ui/url_list_sheet.h"
#include "basalt/desktop/desktop_utilities.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

QWidget* makeWarningView(const QString& message, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(symbolLabel(u"exclamationmark.triangle.fill"_s, colors::yellow(), 16), 0,
                      Qt::AlignTop);
    auto* text = textLabel(message, 12);
    text->setWordWrap(true);
    layout->addWidget(text, 1);
    return row;
}

namespace {

// The list's own names for the owner, the owning group and everyone else,
// as a person reads them.
QString principalName(const QString& name) {
    if (name == u"owner@")
        return QCoreApplication::translate("detail_rows", "Owner");
    if (name == u"group@")
        return QCoreApplication::translate("detail_rows", "Owning group");
    if (name == u"everyone@")
        return QCoreApplication::translate("detail_rows", "Everyone else");
    if (name == u"mask")
        return QCoreApplication::translate("detail_rows", "Mask (the most any entry grants)");
    return name;
}

}  // namespace

QWidget* makePrettyACLView(const inspection::PrettyACLItem& item, QWidget* parent) {
    auto* entry = new QWidget(parent);
    auto* column = new QVBoxLayout(entry);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    auto* layout = new QHBoxLayout;
    layout->setSpacing(6);
    const QString principal = item.type == inspection::aclType::user ? u"person.fill"_s
                              : item.type == inspection::aclType::group
                                  ? u"person.3.fill"_s
                                  : u"questionmark.circle.fill"_s;
    layout->addWidget(symbolLabel(principal, colors::primary(), 16));
    layout->addWidget(textLabel(principalName(item.name), 12, QFont::Medium));
    const bool allow = item.action == inspection::aclAction::allow;
    layout->addWidget(symbolLabel(allow ? u"checkmark.circle.fill"_s : u"nosign"_s,
                                  allow ? colors::green() : colors::red(), 14));
    layout->addStretch(1);
    column->addLayout(layout);
    // The rights on their own line under the name: long lists wrap there.
    auto* properties =
        textLabel(inspection::rightsWithEffect(item), 11, QFont::Normal, colors::secondary());
    properties->setTextInteractionFlags(Qt::TextSelectableByMouse);
    properties->setWordWrap(true);
    properties->setContentsMargins(22, 0, 0, 2);
    column->addWidget(properties);
    entry->setToolTip(item.id);
    return entry;
}

AttributeViewPretty::AttributeViewPretty(const inspection::PrettyAttribute& item, QWidget* parent)
    : QWidget(parent),
      item_(item),
      hasMoreDetails_(item.details.has_value() && item.icon == u"square.and.arrow.down") {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(symbolLabel(item.icon, colors::primary(), 20), 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    if (hasMoreDetails_) {
        // A link a person can also reach with Tab and press with Space.
        auto* link = new QPushButton(item.label, this);
        link->setFlat(true);
        link->setCursor(Qt::PointingHandCursor);
        link->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        link->setToolTip(item.label);
        link->setStyleSheet(
            u"QPushButton { text-align: left; padding: 0px; "
            "border: none; color: %1; text-decoration: underline; "
            "font-weight: 500; }"_s.arg(basalt::linkTextColor().name()));
        connect(link, &QPushButton::clicked, this, &AttributeViewPretty::showMoreURLInfo);
        label_ = link;
    } else {
        auto* label = textLabel(item.label, 12, QFont::Medium);
        label->setWordWrap(true);
        label_ = label;
    }
    column->addWidget(label_);
    if (item.details && !hasMoreDetails_) {
        for (const auto& line : *item.details) {
            auto* detail = textLabel(line, 11, QFont::Normal, colors::secondary());
            detail->setWordWrap(true);
            column->addWidget(detail);
        }
    }
    layout->addLayout(column, 1);
    if (item.helpTag) {
        setToolTip(*item.helpTag);
    }
}

void AttributeViewPretty::showMoreURLInfo() {
    auto* sheet = new URLListSheet(item_.details.value_or(QStringList()), window());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->open();
}

}  // namespace gw::ui
