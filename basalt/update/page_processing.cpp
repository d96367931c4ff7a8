// Reading the update page: the head's checks and the signature.
#include <QCoreApplication>
#include <QStringDecoder>
#include <QStringEncoder>

#include "basalt/update/page_nodes.h"
#include "basalt/update/vexa_lite.h"
#include "platform/desktop/xml_tree.h"

using namespace Qt::StringLiterals;

namespace basalt {

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

}  // namespace basalt
