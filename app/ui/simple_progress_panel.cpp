#include "app/ui/simple_progress_panel.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/controller/reset_controller.h"
#include "app/ui/gw_status_view.h"
#include "app/ui/rounded_panel.h"
#include "app/ui/theme.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

using controller::controllerProgressState;

SimpleProgressPanel::SimpleProgressPanel(controller::ResetController& controller, QWidget* parent)
    : QDialog(parent), controller_(controller) {
    setWindowTitle(QCoreApplication::translate("progress_panel", "Resetting"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(400);
    setMaximumWidth(520);
    auto* column = new QVBoxLayout(this);
    // Long reasons wrap and the sheet grows to hold them, never cut.
    column->setSizeConstraint(QLayout::SetMinimumSize);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(8);
    status_ = new GWStatusView(u"checkmark.circle.fill"_s, 32, colors::green(), this);
    column->addWidget(status_, 0, Qt::AlignHCenter);
    spinner_ = new QProgressBar(this);
    spinner_->setRange(0, 0);  // busy
    spinner_->setTextVisible(false);
    spinner_->setFixedSize(160, 6);
    column->addWidget(spinner_, 0, Qt::AlignHCenter);
    title_ = textLabel(QString(), 13);
    title_->setAlignment(Qt::AlignCenter);
    title_->setWordWrap(true);
    column->addWidget(title_);
    detail_ = textLabel(QString(), 13, QFont::Normal, colors::secondary());
    detail_->setAlignment(Qt::AlignCenter);
    detail_->setWordWrap(true);
    detail_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(detail_);
    column->addSpacing(4);
    button_ = new QPushButton(this);
    button_->setDefault(true);
    button_->setMinimumWidth(80);
    // Once a reset is done it can be taken back from here too.
    undo_ = new QPushButton(QCoreApplication::translate("progress_panel", "Undo Reset"), this);
    undo_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(undo_);
    buttons->addWidget(button_);
    buttons->addStretch(1);
    column->addLayout(buttons);
    connect(undo_, &QPushButton::clicked, this, [this]() {
        controller_.progressDonePressed();
        controller_.undoReset();
    });

    connect(button_, &QPushButton::clicked, this, [this]() {
        if (controller_.progressState() == controllerProgressState::working) {
            controller_.progressCancelPressed();
        } else {
            controller_.progressDonePressed();
        }
    });
    using RC = controller::ResetController;
    for (auto signal : {&RC::progressStateChanged, &RC::progressDisplayMessageChanged,
                        &RC::progressFractionChanged, &RC::undoAvailableChanged}) {
        connect(&controller_, signal, this, &SimpleProgressPanel::refresh);
    }
    refresh();
}

void SimpleProgressPanel::keyPressEvent(QKeyEvent* event) {
    // Escape doesn't dismiss the sheet behind the controller's back.
    if (event->key() == Qt::Key_Escape) {
        button_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SimpleProgressPanel::refresh() {
    const auto state = controller_.progressState();
    const bool working =
        state != controllerProgressState::complete && state != controllerProgressState::error;
    spinner_->setVisible(working);
    status_->setVisible(!working);
    // A walk through a folder fills the bar; anything else is just busy.
    if (const auto fraction = controller_.progressFraction(); fraction && working) {
        spinner_->setRange(0, 1000);
        spinner_->setValue(static_cast<int>(*fraction * 1000));
        spinner_->setAccessibleName(controller_.progressDisplayMessage().detail);
    } else {
        spinner_->setRange(0, 0);
    }
    if (state == controllerProgressState::complete) {
        status_->setSymbol(u"checkmark.circle.fill"_s, colors::green());
    } else if (state == controllerProgressState::error) {
        status_->setSymbol(u"exclamationmark.triangle.fill"_s, colors::yellow());
    }
    undo_->setVisible(state == controllerProgressState::complete && controller_.undoAvailable());
    title_->setText(controller_.progressDisplayMessage().title);
    detail_->setText(controller_.progressDisplayMessage().detail);
    button_->setText(state == controllerProgressState::working
                         ? u"Cancel"_s
                         : QCoreApplication::translate("progress_panel", "Done"));
    QTimer::singleShot(0, this, [this]() {
        if (isVisible()) {
            adjustSize();
        }
    });
}

}  // namespace gw::ui
