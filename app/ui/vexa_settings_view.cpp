#include "app/ui/vexa_settings_view.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace key = basalt::vexa_key;

namespace {

struct Frequency {
    const char* label;
    double seconds;
};
constexpr Frequency kFrequencies[] = {{"Never", 0},     {"Default", 604800}, {"Every launch", 1},
                                      {"Daily", 86400}, {"Weekly", 604800},  {"Monthly", 2419200}};

}  // namespace

VEXASettingsView::VEXASettingsView(QSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 16);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setHorizontalSpacing(16);
    form->setVerticalSpacing(10);
    const auto caption = [](const char* text) {
        auto* label = new QLabel(QString::fromLatin1(text));
        label->setMinimumWidth(140);
        return label;
    };

    frequency_ = new QComboBox;
    frequency_->setFixedWidth(200);
    for (const auto& choice : kFrequencies) {
        frequency_->addItem(QString::fromLatin1(choice.label), choice.seconds);
    }
    form->addRow(caption("Check frequency"), frequency_);
    nextCheck_ = new QLabel;
    form->addRow(caption("Next check"), nextCheck_);

    auto* updateRow = new QHBoxLayout;
    availableUpdate_ = new QLabel;
    updateRow->addWidget(availableUpdate_, 1);
    ignore_ = new QPushButton;
    connect(ignore_, &QPushButton::clicked, this, &VEXASettingsView::ignorePressed);
    updateRow->addWidget(ignore_);
    form->addRow(caption("Available update"), updateRow);

    showMore_ = new QCheckBox(QCoreApplication::translate("update_views", "Show"));
    form->addRow(caption("Debugging options"), showMore_);
    column->addLayout(form);

    moreOptions_ = new QWidget;
    auto* moreForm = new QFormLayout(moreOptions_);
    moreForm->setContentsMargins(0, 0, 0, 0);
    moreForm->setHorizontalSpacing(16);
    ignoreMaintenance_ = new QCheckBox(QCoreApplication::translate("update_views", "Ignore"));
    moreForm->addRow(caption("Maintenance"), ignoreMaintenance_);
    auto* test = new QPushButton(QCoreApplication::translate("update_views", "Test"));
    test->setFixedWidth(120);
    connect(test, &QPushButton::clicked, this, [this]() { runCheck(true); });
    moreForm->addRow(caption("Silent check"), test);
    log_ = new QListWidget;
    log_->setMinimumHeight(120);
    moreForm->addRow(log_);
    column->addWidget(moreOptions_);

    column->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    reset_ = new QPushButton(QCoreApplication::translate("update_views", " Reset Settings "));
    checkNow_ = new QPushButton(QCoreApplication::translate("update_views", " Check Now "));
    buttons->addWidget(reset_);
    buttons->addWidget(checkNow_);
    column->addLayout(buttons);

    connect(reset_, &QPushButton::clicked, this, [this]() {
        basalt::resetSettings(settings_);
        nextUpdateCheck_.reset();
        refresh();
    });
    connect(checkNow_, &QPushButton::clicked, this, [this]() { runCheck(false); });
    connect(showMore_, &QCheckBox::toggled, this, [this](bool on) {
        settings_.setValue(key::showMoreOptions, on);
        refresh();
    });
    connect(ignoreMaintenance_, &QCheckBox::toggled, this,
            [this](bool on) { settings_.setValue(key::ignoreMaintenance, on); });
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* showDebugging =
        new QAction(QCoreApplication::translate("update_views", "Show debugging options"), this);
    connect(showDebugging, &QAction::triggered, this, [this]() { showMore_->setChecked(true); });
    addAction(showDebugging);
    connect(frequency_, &QComboBox::activated, this, &VEXASettingsView::frequencyChosen);
    refresh();
}

void VEXASettingsView::showEvent(QShowEvent* event) {
    const QVariant stored = settings_.value(key::nextUpdateCheck);
    nextUpdateCheck_.reset();
    if (stored.metaType().id() == QMetaType::QDateTime && stored.toDateTime().isValid()) {
        nextUpdateCheck_ = stored.toDateTime();
    }
    hasIgnoreInfo_ = settings_.contains(key::ignoreVersionInfo);
    refresh();
    QWidget::showEvent(event);
}

void VEXASettingsView::frequencyChosen(int index) {
    const double seconds = frequency_->itemData(index).toDouble();
    const QDateTime now = basalt::VEXALite::clock();
    basalt::setCheckFrequency(settings_, seconds, now);
    if (seconds == 0) {
        nextUpdateCheck_.reset();
    } else {
        nextUpdateCheck_ = now.addMSecs(static_cast<qint64>(seconds * 1000.0));
    }
    refresh();
}

void VEXASettingsView::ignorePressed() {
    if (settings_.value(basalt::updateAvailableKey, false).toBool()) {
        basalt::ignoreCurrentUpdate(settings_);
        hasIgnoreInfo_ = true;
    } else if (hasIgnoreInfo_) {
        basalt::undoIgnoreUpdate(settings_);
        settings_.remove(key::ignoreVersionInfo);
        hasIgnoreInfo_ = false;
    }
    refresh();
}

void VEXASettingsView::runCheck(bool silent) {
    basalt::VEXALite* checker =
        makeChecker ? makeChecker() : new basalt::VEXALite(&settings_, this);
    if (silent || settings_.value(key::showMoreOptions, false).toBool()) {
        connect(checker, &basalt::VEXALite::completed, this, [this, checker]() {
            log_->clear();
            log_->addItems(checker->log);
        });
    }
    if (silent) {
        checker->performSilentCheck();
    } else {
        checker->performManualCheck();
    }
}

void VEXASettingsView::refresh() {
    const double period = settings_.value(key::nextUpdateCheckPeriod, 604800.0).toDouble();
    int index = 1;  // "Default"
    for (int i = 0; i < frequency_->count(); ++i) {
        if (frequency_->itemData(i).toDouble() == period && !(period == 604800.0 && i == 4)) {
            index = i;
            break;
        }
    }
    if (frequency_->currentIndex() < 0 ||
        frequency_->itemData(frequency_->currentIndex()).toDouble() != period) {
        frequency_->setCurrentIndex(index);
    }
    nextCheck_->setText(
        nextUpdateCheck_ ? QLocale().toString(nextUpdateCheck_->toLocalTime(), QLocale::ShortFormat)
                         : QCoreApplication::translate("update_views", "Not scheduled"));

    const bool updateAvailable = settings_.value(basalt::updateAvailableKey, false).toBool();
    QString text;
    if (updateAvailable) {
        const QVariant info = settings_.value(key::currentUpdateInfo);
        if (info.metaType().id() != QMetaType::QVariantMap) {
            text = QCoreApplication::translate("update_views", "Update Info missing");
        } else if (!info.toMap().contains(u"displayVersion"_s)) {
            text = QCoreApplication::translate("update_views", "No Display Version");
        } else {
            text = QCoreApplication::translate("update_views", "Version ") +
                   info.toMap().value(u"displayVersion"_s).toString();
        }
    } else {
        const QVariant ignored = settings_.value(key::ignoreVersionInfo);
        if (!ignored.isValid()) {
            text = u"None"_s;
        } else if (!ignored.toMap().contains(u"displayVersion"_s)) {
            text = QCoreApplication::translate("update_views", "Ignore Info missing");
        } else {
            text = QCoreApplication::translate("update_views", "Ignoring version ") +
                   ignored.toMap().value(u"displayVersion"_s).toString();
        }
    }
    availableUpdate_->setText(text);
    ignore_->setText(updateAvailable ? QCoreApplication::translate("update_views", " Ignore ")
                                     : QCoreApplication::translate("update_views", " Cancel "));

    const bool more = settings_.value(key::showMoreOptions, false).toBool();
    showMore_->setChecked(more);
    if (moreOptions_->isVisibleTo(this) != more) {
        moreOptions_->setVisible(more);
        // The window takes the height the rows need, and gives it back.
        QTimer::singleShot(0, this, [this]() { window()->adjustSize(); });
    }
    ignoreMaintenance_->setChecked(settings_.value(key::ignoreMaintenance, false).toBool());
}

}  // namespace gw::ui
