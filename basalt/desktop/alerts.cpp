#include "basalt/desktop/alerts.h"

#include <atomic>
#include <ostream>

#include <QCoreApplication>
#include <QMetaObject>

#include "basalt/bundle_info.h"
#include "basalt/diagnostics.h"
#include "platform/system_version.h"

using namespace Qt::StringLiterals;

namespace basalt {

namespace {

std::atomic<gw::platform::AlertPresenter*> installedPresenter{nullptr};

void show(const gw::platform::AlertRequest& request) {
    if (auto* presenter = installedPresenter.load()) {
        presenter->present(request);
        return;
    }
    diagnostics() << "Alert: " << request.messageText.toStdString() << "\n"
                  << request.informativeText.toStdString() << '\n';
}

}  // namespace

void setAlertPresenter(gw::platform::AlertPresenter* presenter) {
    installedPresenter = presenter;
}

void presentAlert(gw::platform::AlertRequest request) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        show(request);
        return;
    }
    QMetaObject::invokeMethod(
        app, [request = std::move(request)]() { show(request); }, Qt::QueuedConnection);
}

void beep() {
    const auto sound = []() {
        if (auto* presenter = installedPresenter.load()) {
            presenter->beep();
        }
    };
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(app, sound, Qt::QueuedConnection);
    } else {
        sound();
    }
}

std::optional<QString> appVersionText() {
    const QString shortVersion = QString::fromUtf8(bundle::kShortVersion);
    const QString build = QString::fromUtf8(bundle::kBuildNumber);
    if (!shortVersion.isEmpty() && !build.isEmpty()) {
        return shortVersion + u" ("_s + build + u')';
    }
    if (!shortVersion.isEmpty()) {
        return shortVersion;
    }
    if (!build.isEmpty()) {
        return build;
    }
    return std::nullopt;
}

QString systemVersionText() {
    return QString::fromStdString(gw::platform::systemVersionText());
}

void diagnosticAlert(const QString& title, const QString& message, const QString& detail,
                     bool beep) {
    gw::platform::AlertRequest request;
    request.messageText = title;
    request.informativeText = message + u'\n' + detail +
                              QCoreApplication::translate("alerts", "\n\nVersion: ") +
                              appVersionText().value_or(u"Unknown"_s) + u'\n' + systemVersionText();
    request.beep = beep;
    presentAlert(std::move(request));
}

}  // namespace basalt
