#include "app/ui/permissions_view.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include "app/controller/owner_change_sheet.h"
#include "app/controller/reset_controller.h"
#include "app/ui/rounded_panel.h"
#include "app/ui/status_check_box.h"
#include "app/ui/symbols.h"
#include "app/ui/theme.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace {

using inspection::variableValue;

constexpr double kCell = 16;
constexpr unsigned kValues[3] = {4, 2, 1};  // read, write, execute
constexpr unsigned kLevels[3] = {6, 3, 0};  // owner, group, others

void showRight(StatusCheckBox* cell, bool granted, bool writeColumn) {
    if (granted) {
        cell->show(Qt::Checked, u"checkmark.circle.fill"_s, colors::green());
    } else {
        cell->show(Qt::Unchecked, u"lock.circle.fill"_s,
                   writeColumn ? colors::orange() : colors::secondary());
    }
}

// A lock reads as a lock: closed when set, open and quiet when not (a green
// check would read as "locked: yes"), a question mark when unknown.
void showLock(StatusCheckBox* cell, variableValue value) {
    switch (value) {
        case variableValue::yes:
            cell->show(Qt::Checked, u"lock.circle.fill"_s, colors::orange());
            break;
        case variableValue::no:
            cell->show(Qt::Unchecked, u"lock.open.circle"_s, colors::secondary());
            break;
        default:
            cell->show(Qt::PartiallyChecked, u"questionmark.circle"_s, colors::secondary());
            break;
    }
}

}  // namespace

PermissionsView::PermissionsView(controller::ResetController& controller,
                                 controller::OwnerChangeSheet& ownerSheet, QWidget* parent)
    : QWidget(parent), controller_(controller), ownerSheet_(ownerSheet) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(0, 1);
    const QStringList headers{QCoreApplication::translate("permissions_view", "Read"),
                              QCoreApplication::translate("permissions_view", "Write"),
                              QCoreApplication::translate("permissions_view", "Execute")};
    for (int column = 0; column < 3; ++column) {
        auto* header = textLabel(headers[column], 11, QFont::DemiBold, colors::secondary());
        header->setAlignment(Qt::AlignCenter);
        // Whole at any width: the names give way, the headers don't.
        header->setMinimumWidth(std::max(44, header->sizeHint().width()));
        grid->addWidget(header, 0, column + 1, Qt::AlignHCenter);
    }

    // A flat button: the owner's name is what a person clicks or reaches with
    // Tab to give the item to someone else.
    owner_ = new QToolButton(this);
    owner_->setAutoRaise(true);
    owner_->setCursor(Qt::PointingHandCursor);
    owner_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    owner_->setIcon(symbolIcon(u"person.circle.fill"_s, colors::primary()));
    owner_->setIconSize(QSize(16, 16));
    owner_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    QFont ownerFont = owner_->font();
    ownerFont.setPointSizeF(13);
    ownerFont.setWeight(QFont::Medium);
    owner_->setFont(ownerFont);
    owner_->setStyleSheet(QCoreApplication::translate(
        "permissions_view", "QToolButton { padding: 0px; text-align: left; }"));
    connect(owner_, &QToolButton::clicked, this, [this]() { ownerSheet_.open(); });
    grid->addWidget(owner_, 1, 0);

    groupName_ = textLabel(QString(), 13);
    groupName_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    groupName_->setToolTip(
        QCoreApplication::translate("permissions_view", "The group that can access this file"));
    groupName_->setContentsMargins(22, 0, 0, 0);
    grid->addWidget(groupName_, 2, 0);
    auto* others = textLabel(u"others"_s, 13);
    others->setToolTip(
        u"For those that do not own the file or below to the same permission group."_s);
    others->setContentsMargins(22, 0, 0, 0);
    grid->addWidget(others, 3, 0);

    const QStringList classes{QCoreApplication::translate("permissions_view", "Owner"),
                              QCoreApplication::translate("permissions_view", "Group"),
                              QCoreApplication::translate("permissions_view", "Others")};
    const QStringList rights{u"read"_s, u"write"_s, u"execute"_s};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            auto* cell = new StatusCheckBox(classes[row] + u' ' + rights[column], kCell, this);
            cell->setCursor(Qt::PointingHandCursor);
            cell->setToolTip(classes[row] + u' ' + rights[column]);
            cells_[row][column] = cell;
            grid->addWidget(cell, row + 1, column + 1, Qt::AlignCenter);
            const unsigned bit = kValues[column] << kLevels[row];
            connect(cell, &QCheckBox::clicked, this,
                    [this, bit]() { controller_.manuallyTogglePermission(bit); });
        }
    }

    grid->addWidget(divider(this), 4, 0, 1, 4);
    auto* flags = new QHBoxLayout;
    flags->setSpacing(8);
    // Facts, not controls: in the accessibility tree, read-only check boxes.
    deletable_ = new StatusCheckBox(
        QCoreApplication::translate("permissions_view", "Can be deleted"), kCell, this);
    deletable_->setEnabled(false);
    deletable_->setToolTip(QCoreApplication::translate(
        "permissions_view", "Indicates if the file can be deleted or not"));
    flags->addWidget(deletable_);
    flags->addStretch(1);
    auto* lockedLabel = textLabel(QCoreApplication::translate("permissions_view", "Locked"), 12,
                                  QFont::Normal, colors::secondary());
    flags->addWidget(lockedLabel);
    lock_ =
        new StatusCheckBox(QCoreApplication::translate("permissions_view", "Locked"), kCell, this);
    lockedLabel->setBuddy(lock_);
    lock_->setCursor(Qt::PointingHandCursor);
    lock_->setToolTip(QCoreApplication::translate("permissions_view", "Lock or unlock the file"));
    connect(lock_, &QCheckBox::clicked, this, [this]() { controller_.toggleLock(); });
    flags->addWidget(lock_);
    flags->addSpacing(12);
    flags->addWidget(textLabel(QCoreApplication::translate("permissions_view", "System"), 12,
                               QFont::Normal, colors::secondary()));
    system_ = new StatusCheckBox(QCoreApplication::translate("permissions_view", "System lock"),
                                 kCell, this);
    system_->setEnabled(false);
    system_->setToolTip(QCoreApplication::translate(
        "permissions_view", "Locked by the system: only an administrator can change it"));
    flags->addWidget(system_);
    grid->addLayout(flags, 5, 0, 1, 4);

    // On a disk that stores no permissions nothing here can be changed.
    notStored_ = textLabel(QString(), 11, QFont::Normal, colors::secondary(), this);
    notStored_->setObjectName(u"permissionsNotStored"_s);
    notStored_->setWordWrap(true);
    grid->addWidget(notStored_, 6, 0, 1, 4);

    connect(&controller_, &controller::ResetController::infoChanged, this,
            &PermissionsView::refresh);
    refresh();
}

void PermissionsView::refresh() {
    const auto& info = controller_.info();
    owner_->setText(info.owner.name);
    owner_->setAccessibleName(QCoreApplication::translate("permissions_view", "Owner ") +
                              info.owner.name);
    owner_->setToolTip(
        info.ownedByMe
            ? QCoreApplication::translate("permissions_view", "You're the owner of this ") +
                  info.typeName
            : QCoreApplication::translate("permissions_view", "The owner of the file"));
    // With an access ACL the group bits are its mask, not the group's rights.
    if (inspection::hasAccessMask(info.prettyACLS)) {
        groupName_->setTextFormat(Qt::RichText);
        groupName_->setText(info.group.name.toHtmlEscaped() + u"<br><small>"_s +
                            QCoreApplication::translate("permissions_view", "ACL mask") +
                            u"</small>"_s);
        groupName_->setAccessibleName(
            info.group.name + QCoreApplication::translate("permissions_view", ", ACL mask"));
        groupName_->setToolTip(QCoreApplication::translate(
            "permissions_view",
            "An access list is set: this row is its mask, the most any named user or group "
            "gets. The group's own rights are in the list below."));
    } else {
        groupName_->setTextFormat(Qt::PlainText);
        groupName_->setText(info.group.name);
        groupName_->setAccessibleName(info.group.name);
        groupName_->setToolTip(
            QCoreApplication::translate("permissions_view", "The group that can access this file"));
    }
    const inspection::PermissionsBranch* branches[3] = {&info.owner, &info.group, &info.other};
    for (int row = 0; row < 3; ++row) {
        showRight(cells_[row][0], branches[row]->read, false);
        showRight(cells_[row][1], branches[row]->write, true);
        showRight(cells_[row][2], branches[row]->execute, false);
    }
    if (info.isDeletable) {
        deletable_->show(Qt::Checked, u"trash"_s, colors::primary());
    } else {
        deletable_->show(Qt::Unchecked, u"nosign"_s, colors::red());
    }
    showLock(lock_, info.lockedUser);
    showLock(system_, info.lockedSystem);

    const bool stored = controller_.permissionsAreStored();
    for (auto& row : cells_) {
        for (auto* cell : row)
            cell->setEnabled(stored);
    }
    lock_->setEnabled(stored);
    owner_->setEnabled(stored);
    const auto& explanation = controller_.accessExplanation();
    notStored_->setText(stored ? QString() : explanation->noPermissionSupport.value_or(QString()));
    notStored_->setVisible(!stored);
}

}  // namespace gw::ui
