#include "platform/desktop/xml_tree.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

using namespace Qt::StringLiterals;

namespace gw::platform {

QStringView XmlNode::localName() const {
    const qsizetype colon = name.indexOf(u':');
    return colon < 0 ? QStringView(name) : QStringView(name).mid(colon + 1);
}

QString XmlNode::attribute(const QString& qualifiedName) const {
    for (const auto& attr : attributes) {
        if (attr.qualifiedName() == qualifiedName) {
            return attr.value().toString();
        }
    }
    return {};
}

void XmlNode::setAttribute(const QString& qualifiedName, const QString& value) {
    for (auto& attr : attributes) {
        if (attr.qualifiedName() == qualifiedName) {
            attr = QXmlStreamAttribute(qualifiedName, value);
            return;
        }
    }
    attributes.append(qualifiedName, value);
}

XmlNode XmlNode::element(QString qualifiedName, QString namespaceUri) {
    XmlNode node;
    node.name = std::move(qualifiedName);
    node.namespaceUri = std::move(namespaceUri);
    return node;
}

XmlNode XmlNode::textNode(QString text) {
    XmlNode node;
    node.kind = Kind::Text;
    node.text = std::move(text);
    return node;
}

QString textContent(const XmlNode& node) {
    if (node.kind == XmlNode::Kind::Text || node.kind == XmlNode::Kind::CData) {
        return node.text;
    }
    QString text;
    for (const auto& child : node.children) {
        text += textContent(child);
    }
    return text;
}

XmlNode* XmlDocument::root() {
    for (auto& node : nodes) {
        if (node.kind == XmlNode::Kind::Element) {
            return &node;
        }
    }
    return nullptr;
}

std::optional<XmlDocument> parseXml(const QByteArray& bytes, QString* error,
                                    XmlParseOptions options) {
    QXmlStreamReader reader(bytes);
    XmlDocument document;
    std::vector<XmlNode> open;  // the elements being read, innermost last
    auto append = [&](XmlNode node) {
        (open.empty() ? document.nodes : open.back().children).push_back(std::move(node));
    };
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
            case QXmlStreamReader::StartDocument:
                if (!reader.documentVersion().isEmpty()) {
                    document.version = reader.documentVersion().toString();
                }
                break;
            case QXmlStreamReader::StartElement: {
                XmlNode node = XmlNode::element(reader.qualifiedName().toString(),
                                                reader.namespaceUri().toString());
                node.namespaces = reader.namespaceDeclarations();
                node.attributes = reader.attributes();
                if (static_cast<int>(open.size()) >= options.maxDepth) {
                    if (error) {
                        *error = u"elements are nested more than %1 deep"_s.arg(options.maxDepth);
                    }
                    // Unwound here, one level at a time, not by recursive destructors.
                    while (!open.empty()) {
                        open.pop_back();
                    }
                    return std::nullopt;
                }
                open.push_back(std::move(node));
                break;
            }
            case QXmlStreamReader::EndElement: {
                XmlNode node = std::move(open.back());
                open.pop_back();
                append(std::move(node));
                break;
            }
            case QXmlStreamReader::Characters: {
                // Whitespace outside the root isn't content.
                if (open.empty()) {
                    break;
                }
                XmlNode node = XmlNode::textNode(reader.text().toString());
                if (reader.isCDATA()) {
                    node.kind = XmlNode::Kind::CData;
                }
                append(std::move(node));
                break;
            }
            case QXmlStreamReader::Comment: {
                XmlNode node;
                node.kind = XmlNode::Kind::Comment;
                node.text = reader.text().toString();
                append(std::move(node));
                break;
            }
            case QXmlStreamReader::ProcessingInstruction: {
                XmlNode node;
                node.kind = XmlNode::Kind::ProcessingInstruction;
                node.name = reader.processingInstructionTarget().toString();
                node.text = reader.processingInstructionData().toString();
                append(std::move(node));
                break;
            }
            case QXmlStreamReader::DTD: {
                if (!options.allowDeclarations && (!reader.entityDeclarations().isEmpty() ||
                                                   !reader.notationDeclarations().isEmpty())) {
                    if (error) {
                        *error = u"the document type declares entities, which are not allowed"_s;
                    }
                    return std::nullopt;
                }
                XmlNode node;
                node.kind = XmlNode::Kind::Dtd;
                node.text = reader.text().toString();
                append(std::move(node));
                break;
            }
            case QXmlStreamReader::EntityReference: {
                XmlNode node;
                node.kind = XmlNode::Kind::EntityReference;
                node.name = reader.name().toString();
                append(std::move(node));
                break;
            }
            default:
                break;
        }
    }
    if (reader.hasError() || document.root() == nullptr) {
        if (error) {
            *error = reader.hasError() ? reader.errorString() : u"no root element"_s;
        }
        return std::nullopt;
    }
    return document;
}

namespace {

void writeNode(QXmlStreamWriter& writer, const XmlNode& node) {
    switch (node.kind) {
        case XmlNode::Kind::Element:
            writer.writeStartElement(node.name);
            for (const auto& ns : node.namespaces) {
                const QString prefix = ns.prefix().toString();
                writer.writeAttribute(prefix.isEmpty() ? u"xmlns"_s : u"xmlns:"_s + prefix,
                                      ns.namespaceUri().toString());
            }
            for (const auto& attr : node.attributes) {
                writer.writeAttribute(attr.qualifiedName().toString(), attr.value().toString());
            }
            for (const auto& child : node.children) {
                writeNode(writer, child);
            }
            writer.writeEndElement();
            break;
        case XmlNode::Kind::Text:
            writer.writeCharacters(node.text);
            break;
        case XmlNode::Kind::CData:
            writer.writeCDATA(node.text);
            break;
        case XmlNode::Kind::Comment:
            writer.writeComment(node.text);
            break;
        case XmlNode::Kind::ProcessingInstruction:
            writer.writeProcessingInstruction(node.name, node.text);
            break;
        case XmlNode::Kind::Dtd:
            writer.writeDTD(node.text);
            break;
        case XmlNode::Kind::EntityReference:
            writer.writeEntityReference(node.name);
            break;
    }
}

}  // namespace

QByteArray writeXml(const XmlDocument& document) {
    QByteArray bytes;
    QXmlStreamWriter writer(&bytes);
    writer.writeStartDocument(document.version);
    for (const auto& node : document.nodes) {
        if (node.kind == XmlNode::Kind::Element) {
            writer.writeCharacters(u"\n"_s);
        }
        writeNode(writer, node);
    }
    writer.writeEndDocument();
    bytes.append('\n');
    return bytes;
}

}  // namespace gw::platform
