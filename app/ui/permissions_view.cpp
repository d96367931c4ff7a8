#include "app/ui/permissions_view.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

#include "app/controller/owner_change.h"
#include "app/controller/reset_controller.h"
#include "app/ui/status_view.h"
#include "app/ui/symbols.h"
#include "app/ui/theme.h"
#include "app/ui/widgets.h"

namespace gw::ui {

namespace {

using inspection::variableValue;

constexpr double kCell = 16;
constexpr unsigned kValues[3] = {4, 2, 1};  // read, write, execute
constexpr unsigned kLevels[3] = {6, 3, 0};  // owner, group, others

void showRight(GWStatusView* cell, bool granted, bool writeColumn) {
    if (granted) {
        cell->setSymbol(QStringLiteral("checkmark.circle.fill"), colors::green());
    } else {
        cell->setSymbol(QStringLiteral("lock.circle.fill"),
                        writeColumn ? colors::orange() : colors::secondary());
    }
}

void showLock(GWStatusView* cell, variableValue value) {
    switch (value) {
        case variableValue::yes:
            cell->setSymbol(QStringLiteral("lock.circle.fill"), colors::orange());
            break;
        case variableValue::no:
            cell->setSymbol(QStringLiteral("checkmark.circle.fill"), colors::green());
            break;
        default:
            cell->setSymbol(QStringLiteral("questionmark.circle"), colors::secondary());
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
    const QStringList headers{QStringLiteral("Read"), QStringLiteral("Write"),
                              QStringLiteral("Execute")};
    for (int column = 0; column < 3; ++column) {
        auto* header = textLabel(headers[column], 11, QFont::DemiBold, colors::secondary());
        header->setAlignment(Qt::AlignCenter);
        header->setMinimumWidth(52);
        grid->addWidget(header, 0, column + 1, Qt::AlignHCenter);
    }

    owner_ = new QWidget(this);
    owner_->setCursor(Qt::PointingHandCursor);
    auto* ownerRow = new QHBoxLayout(owner_);
    ownerRow->setContentsMargins(0, 0, 0, 0);
    ownerRow->setSpacing(6);
    ownerRow->addWidget(symbolLabel(QStringLiteral("person.circle.fill"), colors::primary(), 16));
    ownerName_ = textLabel(QString(), 13, QFont::Medium);
    ownerRow->addWidget(ownerName_, 1);
    owner_->installEventFilter(this);
    grid->addWidget(owner_, 1, 0);

    groupName_ = textLabel(QString(), 13);
    groupName_->setToolTip(QStringLiteral("The group that can access this file"));
    groupName_->setContentsMargins(22, 0, 0, 0);
    grid->addWidget(groupName_, 2, 0);
    auto* others = textLabel(QStringLiteral("others"), 13);
    others->setToolTip(QStringLiteral(
        "For those that do not own the file or below to the same permission group."));
    others->setContentsMargins(22, 0, 0, 0);
    grid->addWidget(others, 3, 0);

    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            auto* cell = new GWStatusView(QStringLiteral("questionmark.circle"), kCell,
                                          colors::secondary(), this);
            cell->setCursor(Qt::PointingHandCursor);
            cells_[row][column] = cell;
            grid->addWidget(cell, row + 1, column + 1, Qt::AlignCenter);
            const unsigned bit = kValues[column] << kLevels[row];
            connect(cell, &GWStatusView::clicked, this,
                    [this, bit]() { controller_.manuallyTogglePermission(bit); });
        }
    }

    grid->addWidget(divider(this), 4, 0, 1, 4);
    auto* flags = new QHBoxLayout;
    flags->setSpacing(8);
    deletable_ = new GWStatusView(QStringLiteral("trash"), kCell, colors::primary(), this);
    deletable_->setToolTip(QStringLiteral("Indicates if the file can be deleted or not"));
    flags->addWidget(deletable_);
    flags->addStretch(1);
    flags->addWidget(textLabel(QStringLiteral("Locked"), 12, QFont::Normal, colors::secondary()));
    lock_ =
        new GWStatusView(QStringLiteral("questionmark.circle"), kCell, colors::secondary(), this);
    lock_->setCursor(Qt::PointingHandCursor);
    lock_->setToolTip(QStringLiteral("Lock or unlock the file"));
    connect(lock_, &GWStatusView::clicked, this, [this]() { controller_.toggleLock(); });
    flags->addWidget(lock_);
    flags->addSpacing(12);
    flags->addWidget(textLabel(QStringLiteral("System"), 12, QFont::Normal, colors::secondary()));
    system_ =
        new GWStatusView(QStringLiteral("questionmark.circle"), kCell, colors::secondary(), this);
    system_->setToolTip(
        QStringLiteral("Locked by the system: only an administrator can change it"));
    flags->addWidget(system_);
    grid->addLayout(flags, 5, 0, 1, 4);

    connect(&controller_, &controller::ResetController::infoChanged, this,
            &PermissionsView::refresh);
    refresh();
}

bool PermissionsView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == owner_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ownerSheet_.open();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PermissionsView::refresh() {
    const auto& info = controller_.info();
    ownerName_->setText(info.owner.name);
    owner_->setToolTip(info.ownedByMe ? QStringLiteral("You're the owner of this ") + info.typeName
                                      : QStringLiteral("The owner of the file"));
    groupName_->setText(info.group.name);
    const inspection::PermissionsBranch* branches[3] = {&info.owner, &info.group, &info.other};
    for (int row = 0; row < 3; ++row) {
        showRight(cells_[row][0], branches[row]->read, false);
        showRight(cells_[row][1], branches[row]->write, true);
        showRight(cells_[row][2], branches[row]->execute, false);
    }
    if (info.isDeletable) {
        deletable_->setSymbol(QStringLiteral("trash"), colors::primary());
    } else {
        deletable_->setSymbol(QStringLiteral("nosign"), colors::red());
    }
    showLock(lock_, info.lockedUser);
    showLock(system_, info.lockedSystem);
}

}  // namespace gw::ui
