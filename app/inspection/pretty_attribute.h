#pragma once

#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace gw::inspection {

enum class FileXattrStatus { unknown, hasXattrs, noXattrs };

// One extended attribute explained in words.
struct PrettyAttribute {
    QString icon;  // symbol name, drawn by the views
    QString label;
    std::optional<QStringList> details;
    std::optional<QString> helpTag;
    bool operator==(const PrettyAttribute&) const = default;
};

// A property list (binary or XML) holding a list of texts, as download
// origins are recorded. No value when it is not a property list or a text
// in it is not UTF-8 text; an empty list for any other shape.
std::optional<QStringList> decodePropertyListTexts(const QByteArray& bytes);

// A byte count as a file manager writes it: decimal units, one short unit
// name ("Zero KB", "1 byte", "42 bytes", "2 KB", "1.5 MB", "1.23 GB").
QString byteCountText(int64_t bytes);
// The same, shortened for attribute sizes: "bytes" becomes "b".
QString attributeSizeText(int64_t bytes);

}  // namespace gw::inspection
