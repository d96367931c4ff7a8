#include <plist/plist.h>

#include <limits>
#include <memory>

#include <QCoreApplication>
#include <QStringDecoder>
#include <QUrl>

#include "file_info.h"

using namespace Qt::StringLiterals;

namespace gw::inspection {
namespace {

const QString kWhereFroms = u"com.apple.metadata:kMDItemWhereFroms"_s;
const QString kQuarantine = u"com.apple.quarantine"_s;
const QString kConsent = u"com.apple.macl"_s;
const QString kVendor = u"com.apple.appstore.vendor_name"_s;
const QString kOriginUrl = u"xdg.origin.url"_s;
const QString kReferrerUrl = u"xdg.referrer.url"_s;
const QString kDownloadSymbol = u"square.and.arrow.down"_s;

// Decoding failed: the text Foundation gives for data that is not a
// property list.
const QString kNotAPropertyList = QCoreApplication::translate(
    "read_xattrs", "The data couldn\u2019t be read because it isn\u2019t in the correct format.");

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistDeleter>;

// One address is never this long; a longer entry is not one.
constexpr qsizetype kMaxEntryBytes = 1 << 20;

}  // namespace

std::optional<QStringList> decodePropertyListTexts(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    plist_t raw = nullptr;
    plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &raw);
    const PlistPtr root(raw);
    if (!root) {
        return std::nullopt;
    }
    QStringList entries;
    if (plist_get_node_type(root.get()) != PLIST_ARRAY) {
        return entries;
    }
    const uint32_t count = plist_array_get_size(root.get());
    for (uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(root.get(), i);
        if (plist_get_node_type(item) != PLIST_STRING) {
            return QStringList();
        }
        // Read with its length: a string holding a NUL byte is data, and
        // libplist's copying getter aborts on it.
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(item, &length);
        const QByteArray utf8(text ? text : "", text ? static_cast<qsizetype>(length) : 0);
        if (utf8.contains('\0') || length > static_cast<uint64_t>(kMaxEntryBytes)) {
            return std::nullopt;  // not a list of texts: the attribute's warning applies
        }
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString entry = decoder.decode(utf8);
        if (decoder.hasError()) {
            return std::nullopt;
        }
        entries.append(entry);
    }
    return entries;
}

namespace {

PrettyAttribute downloadOrigin(const QStringList& entries) {
    const QUrl location(entries.first(), QUrl::StrictMode);
    if (location.isValid() && !location.host().isEmpty()) {
        return PrettyAttribute{
            kDownloadSymbol,
            QCoreApplication::translate("read_xattrs", "From: ") + location.host(),
            entries,
            {}};
    }
    return PrettyAttribute{kDownloadSymbol,
                           QCoreApplication::translate("read_xattrs", "From ") + entries.first(),
                           {},
                           {}};
}

}  // namespace

void FileInfo::readExtendedAttributes(const platform::AttributeDictionary& attributes,
                                      InspectionPlatform& platform) {
    const int64_t length = url ? platform.xattrNameListLength(*url) : -1;
    xattrLength = length;
    xattrs.clear();
    prettyAttrs.clear();
    xattrsStatus = length >= 1   ? FileXattrStatus::hasXattrs
                   : length == 0 ? FileXattrStatus::noXattrs
                                 : FileXattrStatus::unknown;
    if (!attributes.extendedAttributes) {
        return;
    }
    const auto& dictionary = *attributes.extendedAttributes;
    const auto valueOf = [&](const QString& wanted) -> const std::optional<QByteArray>* {
        for (const auto& [key, value] : dictionary) {
            if (key == wanted)
                return &value;
        }
        return nullptr;
    };
    const auto* origin = valueOf(kOriginUrl);
    const bool originExplained = origin && origin->has_value();

    for (const auto& [attribute, value] : dictionary) {
        if (attribute == kQuarantine) {
            continue;
        }
        if (attribute == kConsent) {
            prettyAttrs.push_back(PrettyAttribute{
                u"lock.shield"_s,
                QCoreApplication::translate("read_xattrs", "Privacy: App Consent tag"),
                {},
                u"This file has been approved to work with certain applications without "
                "asking for permission. Not much is currently available yet."_s});
            continue;
        }
        if (!value) {
            xattrs.emplace_back(attribute, u"Unknown"_s);
            continue;
        }
        if (attribute == kWhereFroms) {
            const auto entries = decodePropertyListTexts(*value);
            if (!entries) {
                warnings.append(QCoreApplication::translate("read_xattrs", "WhereFroms: ") +
                                kNotAPropertyList);
            } else if (entries->isEmpty()) {
                xattrs.emplace_back(attribute, attributeSizeText(value->size()));
            } else {
                prettyAttrs.push_back(downloadOrigin(*entries));
            }
        } else if (attribute == kVendor) {
            prettyAttrs.push_back(PrettyAttribute{
                u"building.2.crop.circle"_s,
                QCoreApplication::translate("read_xattrs", "Vendor: ") + QString::fromUtf8(*value),
                {},
                {}});
        } else if (attribute == kOriginUrl) {
            // Browsers on Linux record where a download came from, and the
            // page that linked to it, as two plain-text attributes.
            QStringList entries{QString::fromUtf8(*value)};
            if (const auto* referrer = valueOf(kReferrerUrl); referrer && referrer->has_value()) {
                entries.append(QString::fromUtf8(**referrer));
            }
            prettyAttrs.push_back(downloadOrigin(entries));
        } else if (attribute == kReferrerUrl && originExplained) {
            continue;  // shown as the origin's second line
        } else {
            xattrs.emplace_back(attribute, attributeSizeText(value->size()));
        }
    }
}

}  // namespace gw::inspection
