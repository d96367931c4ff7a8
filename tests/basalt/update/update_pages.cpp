#include "update_pages.h"

#include <QTemporaryFile>

#include "support/process_runner.h"

using namespace Qt::StringLiterals;

namespace gw::test {

QByteArray pageText(const PageParts& parts) {
    QString head = u"<meta name=\"VEXAFormat\" content=\""_s + parts.format + u"\"/>\n"_s;
    if (parts.withProduct) {
        head += u"<meta name=\"VEXAProductIdentifier\" content=\""_s + parts.product + u"\"/>\n"_s;
    }
    if (parts.withSignature) {
        head += u"<meta name=\"VEXASignature\" content=\"VEXASignaturePlaceHolder\"/>\n"_s;
    }
    return (parts.prolog +
            u"<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n<title>Updates</title>\n"_s +
            head + parts.extraHead + u"</head>\n<body>\n"_s + parts.body + u"</body>\n</html>\n"_s)
        .toUtf8();
}

QString entry(const QString& id, int build, const QString& attributes, const QString& archives,
              const QString& classes) {
    return u"<div class=\"VEXAGroup%1\" id=\"%2\" build=\"%3\" date=\"20261201\" %4>"
           "<h2>Version <span><vexagroupversion>3.%3</vexagroupversion></span></h2>%5</div>\n"_s
               .arg(classes, id, QString::number(build), attributes, archives);
}

QString archive(const QString& tags, const QString& href) {
    return u"<a class=\"VEXAArchive %1\" href=\"%2\">Download</a>"_s.arg(tags, href);
}

QString keyPath(const char* name) {
    return QString::fromUtf8(KEYS_DIR "/") + QString::fromLatin1(name);
}

QByteArray signPage(const QByteArray& page, const char* key) {
    QTemporaryFile file;
    if (!file.open()) {
        return {};
    }
    file.write(page);
    file.flush();
    const auto result =
        runProcess({SIGN_TOOL, file.fileName().toStdString(),
                    keyPath((std::string(key) + "-private.pem").c_str()).toStdString()});
    return result.status == 0 ? QByteArray::fromStdString(result.output) : QByteArray();
}

}  // namespace gw::test
