#include "app/ui/vexa_progess_view.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace {

QString applicationName() {
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? u"Unknown"_s : name;
}

}  // namespace

VEXAProgessView::VEXAProgessView(QWidget* parent) : QDialog(parent) {
    setWindowTitle(applicationName() + u" Updates"_s);
    setFixedSize(500, 150);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* spinner = new QProgressBar;
    spinner->setRange(0, 0);
    spinner->setTextVisible(false);
    spinner->setFixedSize(60, 6);
    row->addWidget(spinner);
    row->addSpacing(12);
    auto* text = new QLabel(QCoreApplication::translate("update_views", "Checking for a <b>") +
                            applicationName().toHtmlEscaped() +
                            QCoreApplication::translate("update_views", "</b> update..."));
    QFont font = text->font();
    font.setPointSizeF(15);
    text->setFont(font);
    row->addWidget(text);
    row->addStretch(1);
    column->addLayout(row);
    cancel_ = new QPushButton(QCoreApplication::translate("update_views", " Cancel "));
    connect(cancel_, &QPushButton::clicked, this, &VEXAProgessView::reject);
    column->addWidget(cancel_, 0, Qt::AlignHCenter);
}

void VEXAProgessView::showProgress(basalt::VEXALite& vexa) {
    vexa_ = &vexa;
    show();
    raise();
    activateWindow();
}

void VEXAProgessView::hideProgress() {
    hide();
    vexa_ = nullptr;
}

void VEXAProgessView::reject() {
    if (vexa_) {
        vexa_->cancel();
    }
    QTimer::singleShot(0, this, &VEXAProgessView::hideProgress);
}

}  // namespace gw::ui
