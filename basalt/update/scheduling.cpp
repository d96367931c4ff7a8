// When checks run, what they remember, and what the user sees of them.
#include <QCoreApplication>
#include <QUrl>

#include "basalt/bundle_info.h"
#include "basalt/desktop/alerts.h"
#include "basalt/desktop/desktop_utilities.h"
#include "basalt/update/vexa_lite.h"
#include "platform/system_version.h"

using namespace Qt::StringLiterals;

namespace basalt {

namespace {

constexpr double kDefaultPeriod = 604800;
const QString kAlertTitle = QCoreApplication::translate("scheduling", "Unable to check for update");

// Only letters and digits stay as they are; points become %2E.
std::optional<QString> queryValue(const QString& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    return QString::fromLatin1(QUrl::toPercentEncoding(text, QByteArray(), "-._~"));
}

bool validPageAddress(const std::optional<QString>& address) {
    if (!address) {
        return false;
    }
    return isPageAddress(QUrl(*address, QUrl::StrictMode));
}

}  // namespace

void VEXALite::scheduleNextCheck(double seconds) {
    QSettings* store = preferences();
    if (!store) {
        log.append(u"Failed to get the prefs for "_s + bundleIdentifier);
        return;
    }
    const QDateTime next = clock().addMSecs(static_cast<qint64>(seconds * 1000.0));
    store->setValue(vexa_key::nextUpdateCheck, next);
    log.append(u"Set next update check to "_s + next.toString(Qt::ISODate));
}

void VEXALite::performSilentCheck() {
    resetState();
    log.append(u"--- performSilentCheck()"_s);
    if (!validPageAddress(pageURL)) {
        recordError(
            QCoreApplication::translate("scheduling", "Invalid URL ") + pageURL.value_or(u"None"_s),
            true);
        return;
    }
    QSettings* store = preferences();
    if (!store) {
        recordError(
            QCoreApplication::translate("scheduling", "Failed to get the preferences object for ") +
                bundleIdentifier,
            true);
        return;
    }
    bool isNumber = false;
    double period = store->value(vexa_key::nextUpdateCheckPeriod).toDouble(&isNumber);
    if (!isNumber) {
        period = kDefaultPeriod;
    }
    if (period == 0) {
        log.append(u"VEXANextUpdateCheckPeriod is set to never."_s);
        signalCompletion();
        return;
    }
    const QVariantMap known = store->value(vexa_key::currentUpdateInfo).toMap();
    bool isInteger = false;
    const qlonglong knownBuild = known.value(u"buildNumber"_s).toLongLong(&isInteger);
    if (!known.isEmpty() && isInteger) {
        if (appVersion < knownBuild) {
            // No request while a known update waits to be installed.
            log.append(u"build:"_s + QString::number(knownBuild) +
                       QCoreApplication::translate("scheduling", " available, we're on ") +
                       QString::number(appVersion));
            status = VEXALiteStatus::updateAvailable;
            signalCompletion();
            return;
        }
        log.append(u"We're using build:"_s + QString::number(appVersion) +
                   QCoreApplication::translate("scheduling", "; update: ") +
                   QString::number(knownBuild) +
                   QCoreApplication::translate(
                       "scheduling", "; we'll flush the data and next time we'll do a check."));
        store->remove(vexa_key::currentUpdateInfo);
        store->remove(vexa_key::updateAvailable);
        store->remove(vexa_key::ignoreVersionInfo);
        signalCompletion();
        return;
    }
    const QVariant stored = store->value(vexa_key::nextUpdateCheck);
    const QDateTime next =
        stored.metaType().id() == QMetaType::QDateTime ? stored.toDateTime() : QDateTime();
    if (!next.isValid()) {
        log.append(u"No VEXANextUpdateCheck set, so we'll create one"_s);
        scheduleNextCheck(period);
        signalCompletion();
        return;
    }
    const double remaining = static_cast<double>(clock().msecsTo(next)) / 1000.0;
    if (remaining < 0) {
        log.append(
            u"So we've past our check date, let's reset the clock and perform an update check."_s);
        scheduleNextCheck(period);
        checkURL(*pageURL, u"silentUpdateCheck"_s);
        return;
    }
    log.append(u"Still "_s + QString::number(remaining, 'f', 3) +
               QCoreApplication::translate("scheduling", " seconds to go"));
    signalCompletion();
}

void VEXALite::performManualCheck() {
    resetState();
    log.append(u"--- performManualCheck()"_s);
    if (!validPageAddress(pageURL)) {
        const QString message =
            QCoreApplication::translate("scheduling", "Invalid URL ") + pageURL.value_or(u"None"_s);
        recordError(message, true);
        diagnosticAlert(kAlertTitle, message, QString(), true);
        return;
    }
    const auto rememberedPolicy = cachePolicy;
    const QString address = *pageURL;
    beforeCompletion_ = [this, rememberedPolicy, address]() {
        if (progressPresenter) {
            progressPresenter->hideProgress();
        }
        if (status == VEXALiteStatus::error) {
            diagnosticAlert(
                kAlertTitle,
                errorMessage.value_or(QCoreApplication::translate("scheduling", "Unknown Error")),
                QString(), true);
        } else if (!cancelled) {
            showUpdatePage(address, u"manualUpdateCheck"_s);
        }
        cachePolicy = rememberedPolicy;
    };
    if (progressPresenter) {
        progressPresenter->showProgress(*this);
    }
    cachePolicy = QNetworkRequest::AlwaysNetwork;
    checkURL(address, u"manualUpdateCheck"_s);
}

void VEXALite::showUpdatePage(const QString& inURLString, const QString&) {
    const QUrl page(inURLString, QUrl::StrictMode);
    if (!page.isValid() || page.scheme().isEmpty()) {
        recordError(QCoreApplication::translate("scheduling", "Invalid URL ") + inURLString, false);
        return;
    }
    const auto systemVersion =
        queryValue(QString::fromStdString(gw::platform::kernelVersionNumbers()));
    if (!systemVersion) {
        recordError(QCoreApplication::translate("scheduling", "Failed to get the system version."),
                    false);
        URLShow(page.toString(QUrl::FullyEncoded));
        return;
    }
    const auto applicationVersion = queryValue(QString::fromLatin1(bundle::kShortVersion));
    if (!applicationVersion) {
        recordError(
            QCoreApplication::translate("scheduling", "Failed to get the application version"),
            false);
        URLShow(page.toString(QUrl::FullyEncoded));
        return;
    }
    QString composed = page.toString(QUrl::FullyEncoded) + u"?arc="_s + architecture +
                       u"&appver="_s + *applicationVersion + u"&macos="_s + *systemVersion +
                       u"&state="_s + stateCode(status);
    if (status == VEXALiteStatus::updateAvailable) {
        const auto text = [&](const char* key) {
            const QVariant value =
                updateDetails ? updateDetails->value(QString::fromLatin1(key)) : QVariant();
            return value.metaType().id() == QMetaType::QString ? value.toString() : u"Unknown"_s;
        };
        const auto group = queryValue(text("groupID"));
        // An empty display version is a value like any other: newver= stays.
        const QString displayVersion = text("displayVersion");
        const auto version = displayVersion.isEmpty() ? std::optional<QString>(QString())
                                                      : queryValue(displayVersion);
        if (!updateDetails || !group || !version) {
            recordError(QCoreApplication::translate("scheduling", "Failed to get update details"),
                        false);
        } else {
            composed += u"&groupid="_s + *group + u"&newver="_s + *version;
        }
    }
    const QUrl url(composed, QUrl::StrictMode);
    if (!url.isValid()) {
        recordError(QCoreApplication::translate("scheduling", "Invalid URL ") + composed, false);
        return;
    }
    URLShow(composed);
}

void resetSettings(QSettings& store) {
    for (const auto& key :
         {vexa_key::currentUpdateInfo, vexa_key::nextUpdateCheck, vexa_key::nextUpdateCheckPeriod,
          vexa_key::remoteFileModDate, vexa_key::ignoreVersionInfo, vexa_key::updateAvailable}) {
        store.remove(key);
    }
}

void ignoreCurrentUpdate(QSettings& store) {
    const QVariant current = store.value(vexa_key::currentUpdateInfo);
    if (current.metaType().id() != QMetaType::QVariantMap) {
        return;
    }
    store.setValue(vexa_key::ignoreVersionInfo, current);
    store.remove(vexa_key::currentUpdateInfo);
    store.remove(vexa_key::updateAvailable);
}

void undoIgnoreUpdate(QSettings& store) {
    const QVariant ignored = store.value(vexa_key::ignoreVersionInfo);
    if (ignored.metaType().id() != QMetaType::QVariantMap) {
        return;
    }
    store.setValue(vexa_key::currentUpdateInfo, ignored);
    store.setValue(vexa_key::updateAvailable, true);
}

void setCheckFrequency(QSettings& store, double seconds, const QDateTime& now) {
    store.setValue(vexa_key::nextUpdateCheckPeriod, seconds);
    if (seconds == 0) {
        store.remove(vexa_key::nextUpdateCheck);
    } else {
        store.setValue(vexa_key::nextUpdateCheck,
                       now.addMSecs(static_cast<qint64>(seconds * 1000.0)));
    }
}

}  // namespace basalt
