#include "update_pages.h"

#include <QTemporaryFile>

#include "support/process_runner.h"

namespace gw::test {

QByteArray pageText(const PageParts& parts) {
    QString head = QStringLiteral("<meta name=\"VEXAFormat\" content=\"") + parts.format +
                   QStringLiteral("\"/>\n");
    if (parts.withProduct) {
        head += QStringLiteral("<meta name=\"VEXAProductIdentifier\" content=\"") + parts.product +
                QStringLiteral("\"/>\n");
    }
    if (parts.withSignature) {
        head +=
            QStringLiteral("<meta name=\"VEXASignature\" content=\"VEXASignaturePlaceHolder\"/>\n");
    }
    return (parts.prolog +
            QStringLiteral(
                "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n<title>Updates</title>\n") +
            head + parts.extraHead + QStringLiteral("</head>\n<body>\n") + parts.body +
            QStringLiteral("</body>\n</html>\n"))
        .toUtf8();
}

QString entry(const QString& id, int build, const QString& attributes, const QString& archives,
              const QString& classes) {
    return QStringLiteral(
               "<div class=\"VEXAGroup%1\" id=\"%2\" build=\"%3\" date=\"20261201\" %4>"
               "<h2>Version <span><vexagroupversion>3.%3</vexagroupversion></span></h2>%5</div>\n")
        .arg(classes, id, QString::number(build), attributes, archives);
}

QString archive(const QString& tags, const QString& href) {
    return QStringLiteral("<a class=\"VEXAArchive %1\" href=\"%2\">Download</a>").arg(tags, href);
}

QString keyPath(const char* name) {
    return QStringLiteral(KEYS_DIR "/") + QString::fromLatin1(name);
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
