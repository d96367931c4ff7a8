#include "basalt/update/vexa_lite.h"

#include <cmath>
#include <utility>

#include <QCoreApplication>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTimer>
#include <QUrl>
#include <QVersionNumber>

#include "basalt/bundle_info.h"
#include "basalt/desktop/alerts.h"
#include "basalt/desktop/desktop_utilities.h"
#include "basalt/update/page_nodes.h"
#include "platform/desktop/xml_tree.h"
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

// Reading the update page: the head's checks and the signature.

namespace {

using gw::platform::XmlNode;

constexpr int kAcceptedFormat = 10;
const QString kPlaceholder = u"VEXASignaturePlaceHolder"_s;

bool isElement(const XmlNode& node, QStringView name) {
    return node.kind == XmlNode::Kind::Element && node.localName() == name;
}

// A plain decimal integer: optional sign and digits, nothing around them.
std::optional<int> decimalInteger(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || text.isEmpty() || text.front().isSpace() || text.back().isSpace() ||
        text.front() == u'+') {
        return std::nullopt;
    }
    return value;
}

}  // namespace

bool VEXALite::readHeads(const XmlNode& root, std::optional<QString>& signature,
                         bool& productMatches) {
    for (const auto& head : root.children) {
        if (!isElement(head, u"head")) {
            continue;
        }
        for (const auto& meta : head.children) {
            if (!isElement(meta, u"meta")) {
                continue;
            }
            const auto name = page::attributeOf(meta, u"name"_s);
            const auto content = page::attributeOf(meta, u"content"_s);
            if (!name) {
                continue;
            }
            if (*name == u"VEXAFormat") {
                const auto format = content ? decimalInteger(*content) : std::nullopt;
                if (!format) {
                    recordError(
                        QCoreApplication::translate("page_processing", "VEXAFormat is invalid."),
                        false);
                    return false;
                }
                dataFormat = *format;
            } else if (*name == u"VEXAProductIdentifier") {
                if (!content) {
                    recordError(QCoreApplication::translate("page_processing",
                                                            "VEXAProductIdentifier is invalid"),
                                false);
                    return false;
                }
                productMatches = *content == bundleIdentifier;
            } else if (*name == u"VEXASignature") {
                signature = content;
            } else if (*name == u"VEXAMaintenance" && content == u"true") {
                status = VEXALiteStatus::maintenance;
                maintenanceMode = true;
                log.append(u"VEXAMaintenance: Page is in maintenance mode"_s);
                QSettings* store = preferences();
                if (!store || !store->value(vexa_key::ignoreMaintenance, false).toBool()) {
                    scheduleNextCheck(1);
                    return false;
                }
            }
        }
    }
    return true;
}

bool VEXALite::verifyPage(const QByteArray& data, const QString& signature) {
    // The publisher signed the page with the placeholder where the signature
    // now stands: put it back, everywhere the signature text occurs. In the
    // bytes as they came, so a byte-order mark the signing tool kept is kept
    // here too (the signature is ASCII: no UTF-8 character hides it).
    QByteArray signedData = data;
    if (!signature.isEmpty()) {
        signedData.replace(signature.toUtf8(), kPlaceholder.toUtf8());
    }
    QString failure;
    const auto decoded = strictBase64Decode(signature.toUtf8());
    if (!decoded) {
        failure =
            QCoreApplication::translate("page_processing", "Failed to decode signature (code -1)");
    } else if (!verifySignature(publicKey, signedData, *decoded, &failure)) {
        failure = QCoreApplication::translate("page_processing", "SecKeyVerifySignature: ") +
                  failure + QCoreApplication::translate("page_processing", " (code -1)");
    } else {
        return true;
    }
    recordError(QCoreApplication::translate("page_processing", "Failed to validate ") + failure,
                false);
    return false;
}

void VEXALite::processHTML(const QByteArray& data, const std::optional<QString>&) {
    log.append(u"--- processHTML(_:sender:)"_s);
    log.append(u"--- Application Information"_s);
    log.append(u"build: "_s + QString::number(appVersion) +
               QCoreApplication::translate("page_processing", "; system: ") +
               page::printedNumber(OSVersion) +
               QCoreApplication::translate("page_processing", "; processor: ") + architecture +
               u"; "_s + bundleIdentifier);
    log.append(u"--- XML"_s);
    QString parseError;
    auto document = gw::platform::parseXml(data, &parseError, {.allowDeclarations = false});
    if (!document) {
        recordError(QCoreApplication::translate("page_processing", "XML: ") + parseError, false);
        return;
    }
    log.append(u"--- HTML"_s);
    const XmlNode* root = document->root();
    if (!root) {
        recordError(QCoreApplication::translate("page_processing", "HTML: Missing 'head' element"),
                    false);
        return;
    }
    std::optional<QString> signature;
    bool productMatches = false;
    if (!readHeads(*root, signature, productMatches)) {
        return;
    }
    if (!dataFormat) {
        recordError(QCoreApplication::translate("page_processing", "VEXAFormat is missing"), false);
        return;
    }
    if (*dataFormat > kAcceptedFormat) {
        recordError(u"The format of the update file is too new, probably means a newer version."_s,
                    false);
        status = VEXALiteStatus::formatInvalid;
        if (QSettings* store = preferences()) {
            store->setValue(vexa_key::updateAvailable, true);
        }
        return;
    }
    if (*dataFormat < kAcceptedFormat) {
        recordError(QCoreApplication::translate("page_processing",
                                                "The format of the update file is too old"),
                    false);
        return;
    }
    if (!productMatches) {
        recordError(u"VEXAProductIdentifier != \""_s + bundleIdentifier + u'"', false);
        return;
    }
    if (!publicKey) {
        recordError(QCoreApplication::translate("page_processing",
                                                "Signature invalid, public key is missing"),
                    false);
        return;
    }
    if (!signature) {
        recordError(QCoreApplication::translate("page_processing", "Signature not found"), false);
        return;
    }
    if (!verifyPage(data, *signature)) {
        return;
    }
    bool flag = false;
    for (const auto& body : root->children) {
        if (!isElement(body, u"body")) {
            continue;
        }
        scanNode(body, flag);
        if (status != VEXALiteStatus::busy) {
            break;
        }
    }
    if (status == VEXALiteStatus::busy) {
        status = flag ? VEXALiteStatus::noUpdateForThisMac : VEXALiteStatus::noUpdateAtThisTime;
    }
    log.append(u"Scan complete. Status: "_s + statusName(status));
    if (updateDetails) {
        log.append(detailsText(*updateDetails));
    }
}

// Choosing the update among the page body's version entries.

namespace {

using gw::platform::XmlNode;

QStringList classTokens(const XmlNode& node) {
    for (const auto& attr : node.attributes) {
        if (attr.qualifiedName() == u"class") {
            return attr.value().toString().split(u' ', Qt::SkipEmptyParts);
        }
    }
    return {};
}

bool hasClass(const XmlNode& node, const QString& token) {
    return node.kind == XmlNode::Kind::Element && classTokens(node).contains(token);
}

// The whole text as a number, nothing around it: " 11.0" is no number.
std::optional<double> fullNumber(const std::optional<QString>& text) {
    if (!text || text->isEmpty() || text->front().isSpace() || text->back().isSpace()) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = text->toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// A version written as numbers and dots ("6.18"), nothing before or after.
std::optional<QVersionNumber> fullVersion(const std::optional<QString>& text) {
    if (!text || text->isEmpty() || !fullNumber(text)) {
        return std::nullopt;
    }
    qsizetype suffix = 0;
    const QVersionNumber version = QVersionNumber::fromString(*text, &suffix);
    if (version.isNull() || suffix != text->size()) {
        return std::nullopt;
    }
    return version;
}

std::optional<int64_t> fullInteger(const std::optional<QString>& text) {
    if (!text || text->isEmpty() || text->front().isSpace() || text->back().isSpace()) {
        return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = text->toLongLong(&ok, 10);
    return ok ? std::optional<int64_t>(value) : std::nullopt;
}

struct ArchivePair {
    std::optional<QString> tag;
    std::optional<QString> address;
};

void collectEntryParts(const XmlNode& node, std::optional<QString>& version,
                       std::vector<ArchivePair>& archives) {
    if (node.kind != XmlNode::Kind::Element) {
        return;
    }
    if (node.localName() == u"vexagroupversion") {
        version = gw::platform::textContent(node);
        return;
    }
    if (hasClass(node, u"VEXAArchive"_s)) {
        ArchivePair pair;
        for (const auto& token : classTokens(node)) {
            if (token == u"ass" || token == u"x86" || token == u"ub") {
                pair.tag = token;
            }
        }
        const auto href = page::attributeOf(node, u"href"_s);
        if (href && !href->trimmed().isEmpty()) {
            pair.address = href;
        }
        archives.push_back(std::move(pair));
        return;
    }
    for (const auto& child : node.children) {
        collectEntryParts(child, version, archives);
    }
}

}  // namespace

void VEXALite::scanNode(const XmlNode& node, bool& flag) {
    if (hasClass(node, u"VEXAGroup"_s)) {
        examineEntry(node, flag);
        return;
    }
    for (const auto& child : node.children) {
        if (status != VEXALiteStatus::busy) {
            return;
        }
        scanNode(child, flag);
    }
}

void VEXALite::examineEntry(const XmlNode& entry, bool& flag) {
    const QString date = page::attributeOf(entry, u"date"_s).value_or(u"?"_s);
    const QString id = page::attributeOf(entry, u"id"_s).value_or(u"?"_s);
    const auto minOSText = page::attributeOf(entry, u"minOS"_s);
    const auto maxOSText = page::attributeOf(entry, u"maxOS"_s);
    const auto minOS = fullVersion(minOSText);
    const auto maxOS = fullVersion(maxOSText);
    // The text is OSVersion written precisely; a number set on its own wins.
    const QString systemText = !OSVersionText.isEmpty() && OSVersionText.toDouble() == OSVersion
                                   ? OSVersionText
                                   : page::printedNumber(OSVersion);
    const QVersionNumber system = QVersionNumber::fromString(systemText);
    const int64_t build = fullInteger(page::attributeOf(entry, u"build"_s)).value_or(-1);
    std::optional<QString> version;
    std::vector<ArchivePair> archives;
    for (const auto& child : entry.children) {
        collectEntryParts(child, version, archives);
    }

    QString line = u"--- Version "_s + version.value_or(QString()) + u"; "_s + date + u" ("_s +
                   QString::number(build) +
                   QCoreApplication::translate("entry_selection", ") { minOS ") +
                   (minOS ? *minOSText : u"-1"_s);
    if (maxOS) {
        line += QCoreApplication::translate("entry_selection", ", maxOS ") + *maxOSText;
    }
    log.append(line + u" }"_s);

    if (classTokens(entry).contains(u"hidden"_s)) {
        log.append(u"Reject: hidden"_s);
        return;
    }
    const auto invalid = [&](const char* what) {
        recordError(QCoreApplication::translate("entry_selection", "Group ") + id +
                        QCoreApplication::translate("entry_selection", " invalid ") +
                        QString::fromLatin1(what),
                    false);
    };
    if (!minOS) {
        invalid("minOS");
        return;
    }
    if (system < *minOS) {
        log.append(u"Reject: Requires system "_s + *minOSText);
        flag = true;
        return;
    }
    if (maxOS && system > *maxOS) {
        log.append(u"Reject: incompatible with system "_s + systemText);
        return;
    }
    if (build == -1) {
        invalid("build");
        return;
    }
    if (QSettings* store = preferences()) {
        const QVariantMap ignored = store->value(vexa_key::ignoreVersionInfo).toMap();
        bool isInteger = false;
        const qlonglong ignoredBuild = ignored.value(u"buildNumber"_s).toLongLong(&isInteger);
        if (!ignored.isEmpty() && isInteger && ignoredBuild == build) {
            log.append(u"Reject: build "_s + QString::number(build) +
                       QCoreApplication::translate("entry_selection", " is set to be ignored."));
            return;
        }
    }
    if (build == appVersion) {
        log.append(u"Build "_s + QString::number(build) + u" == appVersion "_s +
                   QString::number(appVersion));
        if (status == VEXALiteStatus::busy) {
            status = flag ? VEXALiteStatus::noUpdateForThisMac : VEXALiteStatus::upToDate;
            updateDetails.reset();
        }
        return;
    }
    if (build < appVersion) {
        log.append(u"Reject: build "_s + QString::number(build) +
                   QCoreApplication::translate("entry_selection", " <  appVersion ") +
                   QString::number(appVersion));
        return;
    }
    if (archives.empty()) {
        invalid("VEXAArchive");
        return;
    }
    for (const auto& pair : archives) {
        if (!pair.address) {
            log.append(u"Error: Archive URL is invalid. Architecture: "_s +
                       pair.tag.value_or(u"?"_s));
            continue;
        }
        if (!pair.tag) {
            log.append(u"Error: Architecture invalid "_s + *pair.address);
            continue;
        }
        if (*pair.tag == architecture || *pair.tag == u"ub") {
            log.append(u"Update: "_s + *pair.tag + u' ' + *pair.address);
            if (status == VEXALiteStatus::busy) {
                recordUpdate({{u"groupID"_s, id},
                              {u"displayVersion"_s, version.value_or(QString())},
                              {u"buildNumber"_s, QVariant::fromValue<qlonglong>(build)}});
                return;
            }
            continue;
        }
        flag = true;
    }
}

void VEXALite::recordUpdate(const QVariantMap& details) {
    status = VEXALiteStatus::updateAvailable;
    updateDetails = details;
    QSettings* store = preferences();
    if (!store) {
        log.append(u"Failed to get the prefs for "_s + bundleIdentifier);
        return;
    }
    store->setValue(vexa_key::currentUpdateInfo, details);
    store->setValue(vexa_key::updateAvailable, true);
    log.append(u"Update Available: "_s + detailsText(details));
}

// When checks run, what they remember, and what the user sees of them.

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

}  // namespace basalt
