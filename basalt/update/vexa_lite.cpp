#include "basalt/update/vexa_lite.h"

#include <utility>

#include <QCoreApplication>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

#include "basalt/bundle_info.h"
#include "platform/system_version.h"

using namespace Qt::StringLiterals;

namespace basalt {

std::optional<QString> VEXALite::pageURL;
UpdateKey VEXALite::publicKey;
std::function<QDateTime()> VEXALite::clock = []() { return QDateTime::currentDateTimeUtc(); };
VEXAProgressPresenter* VEXALite::progressPresenter = nullptr;

namespace {

const char* const kStatusNames[] = {"idle",
                                    "busy",
                                    "cancel",
                                    "error",
                                    "upToDate",
                                    "updateAvailable",
                                    "noUpdateForThisMac",
                                    "noUpdateAtThisTime",
                                    "formatInvalid",
                                    "maintenance"};

QString cachePolicyText(QNetworkRequest::CacheLoadControl policy) {
    return policy == QNetworkRequest::AlwaysNetwork ? u"reloadIgnoringLocalCacheData"_s
                                                    : u"useProtocolCachePolicy"_s;
}

// The status's standard phrase: what a server adds is its own text and
// never reaches the user.
QString reasonPhrase(int code) {
    static const std::pair<int, const char*> kPhrases[] = {
        {301, "moved permanently"},
        {302, "found"},
        {303, "see other"},
        {304, "not modified"},
        {307, "temporary redirect"},
        {308, "permanent redirect"},
        {400, "bad request"},
        {401, "unauthorized"},
        {403, "forbidden"},
        {404, "not found"},
        {405, "method not allowed"},
        {408, "request timeout"},
        {410, "gone"},
        {429, "too many requests"},
        {500, "internal server error"},
        {502, "bad gateway"},
        {503, "service unavailable"},
        {504, "gateway timeout"},
    };
    for (const auto& [status, phrase] : kPhrases) {
        if (status == code) {
            return QString::fromLatin1(phrase);
        }
    }
    return u"unknown"_s;
}

// Errors Qt derives from an HTTP status: the status tells. Anything else
// (TLS, a connection cut short, too many redirects) is the transport's own.
bool isStatusError(QNetworkReply::NetworkError error) {
    return (error >= QNetworkReply::ContentAccessDenied &&
            error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError &&
            error <= QNetworkReply::UnknownServerError);
}

QString headerOrUnknown(QNetworkReply* reply, const char* name) {
    const QByteArray value = reply->rawHeader(name);
    return value.isEmpty() ? u"Unknown"_s : QString::fromLatin1(value);
}

}  // namespace

QString stateCode(VEXALiteStatus status) {
    switch (status) {
        case VEXALiteStatus::error:
            return u"0"_s;
        case VEXALiteStatus::upToDate:
            return u"1"_s;
        case VEXALiteStatus::updateAvailable:
            return u"2"_s;
        case VEXALiteStatus::noUpdateForThisMac:
            return u"3"_s;
        case VEXALiteStatus::formatInvalid:
            return u"5"_s;
        case VEXALiteStatus::maintenance:
            return u"6"_s;
        default:
            return u"4"_s;
    }
}

bool isPageAddress(const QUrl& url) {
    return url.isValid() && !url.scheme().isEmpty() && !url.host().isEmpty();
}

QString detailsText(const QVariantMap& details) {
    return QCoreApplication::translate(
               "vexa_lite", "{buildNumber = %1; displayVersion = \"%2\"; groupID = \"%3\";}")
        .arg(details.value(u"buildNumber"_s).toLongLong())
        .arg(details.value(u"displayVersion"_s).toString(), details.value(u"groupID"_s).toString());
}

QString statusName(VEXALiteStatus status) {
    return QString::fromLatin1(kStatusNames[static_cast<int>(status)]);
}

VEXALite::VEXALite(QSettings* standardStore, QObject* parent)
    : QObject(parent), standardStore_(standardStore) {
    bool numeric = false;
    appVersion = QString::fromLatin1(bundle::kBuildNumber).toLongLong(&numeric);
    if (!numeric) {
        appVersion = 0;
        recordError(
            QCoreApplication::translate("vexa_lite", "Unable to get application's CFBundleVersion"),
            false);
        return;
    }
    bundleIdentifier = QString::fromLatin1(bundle::kIdentifier);
    // On Linux the system's version is the kernel's: major.minor as a number.
    const QStringList parts =
        QString::fromStdString(gw::platform::kernelVersionNumbers()).split(u'.');
    bool parsed = false;
    if (parts.size() >= 2) {
        OSVersionText = parts[0] + u'.' + parts[1];
        OSVersion = OSVersionText.toDouble(&parsed);
    }
    if (!parsed) {
        OSVersion = 0;
        recordError(QCoreApplication::translate("vexa_lite", "Unable to get the system version"),
                    false);
        return;
    }
    architecture = gw::platform::machineName() == "aarch64" ? u"ass"_s : u"x86"_s;
}

VEXALite::~VEXALite() = default;

void VEXALite::resetState() {
    status = VEXALiteStatus::busy;
    cancelled = false;
    errorMessage.reset();
    updateDetails.reset();
    maintenanceMode = false;
    log.clear();
}

void VEXALite::recordError(const QString& text, bool finish) {
    log.append(u"Error: "_s + text);
    errorMessage = text;
    status = VEXALiteStatus::error;
    if (finish) {
        signalCompletion();
    }
}

void VEXALite::signalCompletion() {
    QPointer<VEXALite> self(this);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self]() {
            if (!self) {
                return;
            }
            // Taken out first: the closing step may start another fetch.
            if (auto closing = std::exchange(self->beforeCompletion_, {})) {
                closing();
            }
            if (self) {
                Q_EMIT self->completed();
            }
        },
        Qt::QueuedConnection);
}

QSettings* VEXALite::preferences() {
    if (bundleIdentifier == QString::fromLatin1(bundle::kIdentifier)) {
        if (standardStore_) {
            return standardStore_;
        }
        if (!ownedStore_) {
            ownedStore_ = std::make_unique<QSettings>();
        }
        return ownedStore_.get();
    }
    if (bundleIdentifier.isEmpty()) {
        return nullptr;
    }
    if (!ownedStore_) {
        ownedStore_ = std::make_unique<QSettings>(QString::fromLatin1(bundle::kOrganization),
                                                  bundleIdentifier);
    }
    return ownedStore_.get();
}

void VEXALite::checkURL(const QString& inURLString, const std::optional<QString>& sender) {
    if (!sender) {
        resetState();
    }
    log.append(u"--- checkURL(inURLString:sender:); cachePolicy:."_s +
               cachePolicyText(cachePolicy));
    const QUrl url(inURLString, QUrl::StrictMode);
    if (!isPageAddress(url)) {
        recordError(QCoreApplication::translate("vexa_lite", "URL is invalid"), true);
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, cachePolicy);
    // Redirects are followed, never from HTTPS to plain HTTP.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(timeoutMs);
    if (!network_) {
        network_ = new QNetworkAccessManager(this);
    }
    log.append(u"Connecting to "_s + url.toString(QUrl::FullyEncoded) + u"..."_s);
    QNetworkReply* reply = network_->get(request);
    reply_ = reply;
    auto tooLarge = std::make_shared<bool>(false);
    const auto guardSize = [reply, tooLarge](qint64 size) {
        if (size > kMaximumPageBytes && !*tooLarge) {
            *tooLarge = true;
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, [reply, guardSize]() {
        guardSize(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
    });
    connect(reply, &QNetworkReply::downloadProgress, this,
            [guardSize](qint64 received, qint64) { guardSize(received); });
    // Inactivity alone is measured by the transfer timeout; a server sending
    // a byte now and then would keep the check open for ever without this.
    auto deadline = std::make_shared<QTimer>();
    deadline->setSingleShot(true);
    connect(deadline.get(), &QTimer::timeout, reply, [reply]() {
        reply->setProperty("overdue", true);
        reply->abort();
    });
    deadline->start(deadlineMs);
    connect(reply, &QNetworkReply::finished, this, [this, reply, sender, tooLarge, deadline]() {
        deadline->stop();
        reply->deleteLater();
        if (cancelled) {
            return;
        }
        if (*tooLarge) {
            recordError(QCoreApplication::translate(
                            "vexa_lite", "Error: The update page is larger than %1 bytes")
                            .arg(kMaximumPageBytes),
                        true);
            return;
        }
        responseArrived(reply, sender);
    });
}

void VEXALite::responseArrived(QNetworkReply* reply, const std::optional<QString>& sender) {
    const QVariant code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // The final response decides: a transport error after a redirect, or a
    // body cut short, is not hidden behind a status seen on the way.
    if (reply->error() != QNetworkReply::NoError &&
        (!code.isValid() || !isStatusError(reply->error()))) {
        const QString description =
            reply->error() == QNetworkReply::OperationCanceledError ||
                    reply->property("overdue").toBool()
                ? QCoreApplication::translate("vexa_lite", "The request timed out.")
                : reply->errorString();
        recordError(QCoreApplication::translate("vexa_lite", "Error: ") + description, true);
        return;
    }
    if (!code.isValid()) {
        recordError(QCoreApplication::translate("vexa_lite", "Error: Invalid server response"),
                    true);
        return;
    }
    const int statusCode = code.toInt();
    if (statusCode != 200) {
        recordError(QCoreApplication::translate("vexa_lite", "Error: Server said ") +
                        QString::number(statusCode) + u' ' + reasonPhrase(statusCode),
                    true);
        return;
    }
    log.append(u"Server response: "_s + QString::number(statusCode) + u"; "_s +
               headerOrUnknown(reply, "Last-Modified") +
               QCoreApplication::translate("vexa_lite", "; size: ") +
               headerOrUnknown(reply, "Content-Length") +
               QCoreApplication::translate("vexa_lite", "b; Etag: ") +
               headerOrUnknown(reply, "Etag"));
    const QByteArray body = reply->readAll();
    if (body.isEmpty()) {
        recordError(QCoreApplication::translate("vexa_lite", "Response data invalid"), true);
        return;
    }
    processHTML(body, sender);
    signalCompletion();
}

void VEXALite::cancel() {
    cancelled = true;
    if (reply_) {
        reply_->abort();
    }
}

}  // namespace basalt
