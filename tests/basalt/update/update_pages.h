#pragma once

#include <QByteArray>
#include <QString>

namespace gw::test {

using namespace Qt::StringLiterals;

// An update page as a publisher writes it, before signing.
struct PageParts {
    QString prolog;  // before the root element (XML declaration, DOCTYPE)
    QString format = u"10"_s;
    QString product = u"com.ambrel.Grantwell"_s;
    bool withProduct = true;
    bool withSignature = true;
    QString extraHead;  // more head elements, after the standard ones
    QString body;
};

QByteArray pageText(const PageParts& parts);
// One version entry.
QString entry(const QString& id, int build, const QString& attributes, const QString& archives,
              const QString& classes = {});
QString archive(const QString& tags, const QString& href = u"https://example.com/g.zip"_s);

// The page signed with the publisher's tool and a key from tests/…/keys
// ("test" or "other"); empty when the tool failed.
QByteArray signPage(const QByteArray& page, const char* key = "test");
QString keyPath(const char* name);  // "test-public.pem" and the like

}  // namespace gw::test
