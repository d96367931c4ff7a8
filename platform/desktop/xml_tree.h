#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QXmlStreamAttributes>
#include <QXmlStreamNamespaceDeclarations>

namespace gw::platform {

using namespace Qt::StringLiterals;

// A whole XML document held as read, so that a program can change the parts
// it knows and write every other part back as it was.
struct XmlNode {
    enum class Kind { Element, Text, CData, Comment, ProcessingInstruction, Dtd, EntityReference };
    Kind kind = Kind::Element;
    QString name;          // qualified element name, instruction target, entity name
    QString namespaceUri;  // elements: the resolved namespace
    QString text;          // text, comment, instruction data, DTD
    QXmlStreamNamespaceDeclarations namespaces;
    QXmlStreamAttributes attributes;
    std::vector<XmlNode> children;

    QStringView localName() const;
    QString attribute(const QString& qualifiedName) const;
    void setAttribute(const QString& qualifiedName, const QString& value);
    static XmlNode element(QString qualifiedName, QString namespaceUri = {});
    static XmlNode textNode(QString text);
};

struct XmlDocument {
    QString version = u"1.0"_s;
    std::vector<XmlNode> nodes;  // comments and instructions around the root, and the root
    XmlNode* root();
};

// The text of a node and everything below it.
QString textContent(const XmlNode& node);

struct XmlParseOptions {
    // Entity and notation declarations in a DOCTYPE. Refused, the document
    // holds nothing beyond XML's own five entities: no expansion bombs, no
    // external entities. A DOCTYPE without declarations is fine either way.
    bool allowDeclarations = true;
    // Elements nested deeper than this make the document unreadable: every
    // walk over the tree (writing, finding, freeing it) then stays within
    // the stack. Real bookmark files and update pages nest a handful deep.
    int maxDepth = 256;
};

// No value when the text is not well-formed XML; the reader never fetches
// external entities.
std::optional<XmlDocument> parseXml(const QByteArray& bytes, QString* error,
                                    XmlParseOptions options = {});
QByteArray writeXml(const XmlDocument& document);

}  // namespace gw::platform
