// sign-update-page PAGE PRIVATE_KEY_PEM
// Signs an update page written with "VEXASignaturePlaceHolder" as the
// signature meta's content: the page's bytes are signed (RSA PKCS#1 v1.5,
// SHA-256) and the placeholder replaced by the Base64 signature. The signed
// page goes to standard output; any failure is one line on standard error
// and status 1.
#include <cstdio>
#include <iostream>
#include <variant>

#include <QFile>

#include "basalt/update/signature.h"

using namespace Qt::StringLiterals;

namespace {

constexpr char kPlaceholder[] = "VEXASignaturePlaceHolder";

int fail(const QString& message) {
    std::cerr << "sign-update-page: " << message.toStdString() << '\n';
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return fail(u"usage: sign-update-page PAGE PRIVATE_KEY_PEM"_s);
    }
    QFile pageFile(QFile::decodeName(argv[1]));
    if (!pageFile.open(QIODevice::ReadOnly)) {
        return fail(QFile::decodeName(argv[1]) + u": "_s + pageFile.errorString());
    }
    const QByteArray page = pageFile.readAll();
    if (!page.contains(kPlaceholder)) {
        return fail(u"the page has no \"VEXASignaturePlaceHolder\" to replace"_s);
    }
    if (!page.contains(QByteArray("content=\"") + kPlaceholder + '"') &&
        !page.contains(QByteArray("content='") + kPlaceholder + '\'')) {
        return fail(u"the placeholder is not a meta element's content"_s);
    }
    QFile keyFile(QFile::decodeName(argv[2]));
    if (!keyFile.open(QIODevice::ReadOnly)) {
        return fail(QFile::decodeName(argv[2]) + u": "_s + keyFile.errorString());
    }
    const auto key = basalt::importPrivateKeyPem(keyFile.readAll());
    if (const auto* error = std::get_if<basalt::KeyError>(&key)) {
        return fail(error->message);
    }
    const auto signature = basalt::sign(std::get<basalt::UpdateKey>(key), page);
    if (const auto* error = std::get_if<basalt::KeyError>(&signature)) {
        return fail(error->message);
    }
    QByteArray signedPage = page;
    signedPage.replace(kPlaceholder, std::get<QByteArray>(signature).toBase64());
    if (std::fwrite(signedPage.constData(), 1, static_cast<size_t>(signedPage.size()), stdout) !=
            static_cast<size_t>(signedPage.size()) ||
        std::fflush(stdout) != 0) {
        return fail(u"could not write the signed page"_s);
    }
    return 0;
}
