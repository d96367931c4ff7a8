#include "app/ui/owner_sheet_dialog.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/controller/owner_change_sheet.h"
#include "app/ui/rounded_panel.h"

namespace gw::ui {

OwnerSheetDialog::OwnerSheetDialog(controller::OwnerChangeSheet& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(QCoreApplication::translate("owner_sheet", "Set the File Owner"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(300);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    column->addWidget(textLabel(QCoreApplication::translate("owner_sheet", "Set the File Owner"),
                                13, QFont::Bold),
                      0, Qt::AlignHCenter);
    name_ = new QLineEdit(this);
    name_->setPlaceholderText(QCoreApplication::translate("owner_sheet", "Name"));
    column->addWidget(name_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(QCoreApplication::translate("owner_sheet", "Cancel"), this);
    auto* set = new QPushButton(QCoreApplication::translate("owner_sheet", "Set"), this);
    cancel->setFixedWidth(60);
    set->setFixedWidth(60);
    set->setDefault(true);
    cancel->setAutoDefault(false);
    buttons->addWidget(cancel);
    buttons->addWidget(set);
    column->addLayout(buttons);

    connect(name_, &QLineEdit::textEdited, &model_, &controller::OwnerChangeSheet::setName);
    connect(cancel, &QPushButton::clicked, &model_, &controller::OwnerChangeSheet::cancel);
    connect(set, &QPushButton::clicked, &model_, &controller::OwnerChangeSheet::set);
    connect(this, &QDialog::rejected, &model_, &controller::OwnerChangeSheet::cancel);
    connect(&model_, &controller::OwnerChangeSheet::shownChanged, this, [this]() {
        if (model_.shown()) {
            name_->setText(model_.name());
            name_->selectAll();
            open();
        } else if (isVisible()) {
            hide();
        }
    });
}

}  // namespace gw::ui
