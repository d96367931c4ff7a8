#include "app/ui/top_panel.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/controller/reset_controller.h"
#include "app/ui/elided_label.h"
#include "app/ui/gw_status_view.h"
#include "app/ui/rounded_panel.h"
#include "app/ui/theme.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

TopPanel::TopPanel(controller::ResetController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    spacer_ = new QWidget(this);
    spacer_->setFixedHeight(80);
    column->addWidget(spacer_);

    icon_ = new QLabel(this);
    icon_->setFixedSize(64, 64 + 12);
    icon_->setAlignment(Qt::AlignCenter);
    column->addWidget(icon_, 0, Qt::AlignHCenter);

    // Names of any length: shortened in the middle, whole in the tooltip.
    title_ = new ElidedLabel(this);
    styleLabel(title_, 18, QFont::Light);
    title_->setAlignment(Qt::AlignCenter);
    title_->setObjectName(u"mainString"_s);
    column->addWidget(title_);
    column->addSpacing(6);

    summary_ = textLabel(QString(), 11, QFont::Normal, colors::secondary(), this);
    summary_->setAlignment(Qt::AlignCenter);
    summary_->setObjectName(u"infoSummary"_s);
    summary_->setWordWrap(true);
    column->addWidget(summary_);
    // Which folder the item is in, so two items of one name are told apart.
    folder_ = new ElidedLabel(this);
    styleLabel(folder_, 10, QFont::Normal, colors::secondary());
    folder_->setAlignment(Qt::AlignCenter);
    folder_->setObjectName(u"folder"_s);
    column->addWidget(folder_);
    column->addSpacing(6);

    prompt_ = new QWidget(this);
    auto* promptColumn = new QVBoxLayout(prompt_);
    promptColumn->setContentsMargins(0, 12, 0, 0);
    auto* promptText = textLabel(
        QCoreApplication::translate("top_panel", "Drag a file here to examine it's permissions"),
        13);
    promptText->setAlignment(Qt::AlignCenter);
    promptColumn->addWidget(promptText);
    promptColumn->addSpacing(12);
    choose_ = new QPushButton(u"Choose..."_s, prompt_);
    choose_->setDefault(true);
    choose_->setAutoDefault(true);
    choose_->setMinimumWidth(96);
    promptColumn->addWidget(choose_, 0, Qt::AlignHCenter);
    column->addWidget(prompt_);
    connect(choose_, &QPushButton::clicked, this, [this]() { controller_.chooseFile(); });

    criticalRow_ = new QWidget(this);
    auto* criticalLayout = new QHBoxLayout(criticalRow_);
    criticalLayout->setContentsMargins(0, 12, 0, 0);
    criticalLayout->addWidget(new GWStatusView(u"exclamationmark.triangle"_s, 32, colors::red()), 0,
                              Qt::AlignTop);
    auto* criticalColumn = new QVBoxLayout;
    criticalColumn->addWidget(textLabel(
        QCoreApplication::translate("top_panel", "Can not reset Permissions"), 13, QFont::Bold));
    criticalText_ = textLabel(QString(), 12);
    criticalText_->setWordWrap(true);
    criticalColumn->addWidget(criticalText_);
    criticalLayout->addLayout(criticalColumn, 1);
    column->addWidget(criticalRow_);

    using RC = controller::ResetController;
    for (auto signal : {&RC::infoChanged, &RC::mainStringChanged, &RC::mainIconChanged,
                        &RC::fileDetailsShowChanged}) {
        connect(&controller_, signal, this, &TopPanel::refresh);
    }
    refresh();
}

void TopPanel::refresh() {
    const bool details = controller_.fileDetailsShow();
    spacer_->setFixedHeight(details ? 0 : 80);
    QIcon icon = controller_.mainIcon();
    if (icon.isNull()) {
        icon = QIcon::fromTheme(u"text-x-generic"_s);
    }
    icon_->setPixmap(icon.pixmap(QSize(64, 64), devicePixelRatioF()));
    title_->setFullText(controller_.mainString());
    const auto& info = controller_.info();
    summary_->setText(info.url ? info.infoSummary : QString());
    summary_->setVisible(info.url.has_value());
    folder_->setFullText(info.url ? QCoreApplication::translate("top_panel", "in ") +
                                        itemFolder(*info.url)
                                  : QString());
    folder_->setVisible(info.url.has_value());
    prompt_->setVisible(!details);
    criticalRow_->setVisible(info.criticalError.has_value());
    criticalText_->setText(info.criticalError.value_or(QString()));
}

}  // namespace gw::ui
