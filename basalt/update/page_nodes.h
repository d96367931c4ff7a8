#pragma once

#include <optional>

#include <QString>

#include "platform/desktop/xml_tree.h"

namespace basalt::page {

using namespace Qt::StringLiterals;

// An element's attribute, by its qualified name; none when it isn't there.
inline std::optional<QString> attributeOf(const gw::platform::XmlNode& node, const QString& name) {
    for (const auto& attr : node.attributes) {
        if (attr.qualifiedName() == name) {
            return attr.value().toString();
        }
    }
    return std::nullopt;
}

// A number as the log prints it: shortest form, at least one decimal ("11.0").
inline QString printedNumber(double value) {
    QString text = QString::number(value, 'g', 15);
    if (!text.contains(u'.') && !text.contains(u'e')) {
        text += u".0"_s;
    }
    return text;
}

}  // namespace basalt::page
