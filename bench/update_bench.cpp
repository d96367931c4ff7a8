// Processing and verifying a 10 KB signed update page, per page; the target
// is under 1 ms.
#include <chrono>
#include <cstdio>
#include <variant>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "basalt/update/vexa_lite.h"

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;

QByteArray readFile(const char* path) {
    QFile file(QString::fromLatin1(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// A page of about 10 KB: many entries, newest first, the running build last.
QByteArray pageText() {
    QString body;
    for (int build = 160; body.size() < 9000; --build) {
        body +=
            u"<div class=\"VEXAGroup\" id=\"g%1\" build=\"%1\" date=\"20261201\" minOS=\"99.0\">"
            "<h2>Version <vexagroupversion>3.%1</vexagroupversion></h2><p>Fixes and "
            "improvements.</p><a class=\"VEXAArchive ub\" href=\"https://example.com/%1.zip\">"
            "Download</a></div>\n"_s.arg(build);
    }
    body +=
        u"<div class=\"VEXAGroup\" id=\"g110\" build=\"110\" minOS=\"1.0\">"
        "<a class=\"VEXAArchive ub\" href=\"https://example.com/110.zip\">x</a></div>\n"_s;
    return (u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html "
            "xmlns=\"http://www.w3.org/1999/xhtml\">"
            "<head><meta name=\"VEXAFormat\" content=\"10\"/>"
            "<meta name=\"VEXAProductIdentifier\" content=\"com.ambrel.Grantwell\"/>"
            "<meta name=\"VEXASignature\" "
            "content=\"VEXASignaturePlaceHolder\"/></head><body>"_s +
            body + u"</body></html>\n"_s)
        .toUtf8();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QSettings settings(dir.filePath(u"prefs.ini"_s), QSettings::IniFormat);

    const auto privateKey = std::get<basalt::UpdateKey>(
        basalt::importPrivateKeyPem(readFile(KEYS_DIR "/test-private.pem")));
    basalt::VEXALite::publicKey = std::get<basalt::UpdateKey>(basalt::importKey(
        QString::fromLatin1(readFile(KEYS_DIR "/test-public.pem")), basalt::KeyClass::publicKey));
    QByteArray page = pageText();
    const QByteArray signature = std::get<QByteArray>(basalt::sign(privateKey, page)).toBase64();
    page.replace("VEXASignaturePlaceHolder", signature);

    constexpr int kRuns = 2000;
    basalt::VEXALite vexa(&settings);
    vexa.appVersion = 110;
    vexa.OSVersion = 14.5;
    double total = 0;
    for (int i = 0; i < kRuns + 50; ++i) {
        vexa.resetState();
        const auto start = Clock::now();
        vexa.processHTML(page, u"silentUpdateCheck"_s);
        if (i >= 50) {  // the first runs warm caches
            total += std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        }
    }
    // Every newer entry needs a newer system: each is read, none chosen.
    if (vexa.status != basalt::VEXALiteStatus::noUpdateForThisMac) {
        std::fprintf(stderr, "unexpected outcome: %s\n",
                     qPrintable(basalt::statusName(vexa.status)));
        return 1;
    }
    std::printf(
        "update page, %lld bytes, 3072-bit key: %.1f us per page (parse, verify, scan; mean of "
        "%d)\n",
        static_cast<long long>(page.size()), total / kRuns, kRuns);
    return 0;
}
