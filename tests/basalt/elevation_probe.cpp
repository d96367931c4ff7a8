// Grantwell's administrator call, on its own, for the polkit round trip:
//   elevation_probe HELPER ARGS...
// prints the status and message the caller is given, as "STATUS MESSAGE".
#include <cstdio>
#include <string>

#include <QCoreApplication>
#include <QSemaphore>

#include "basalt/desktop/authorization.h"
#include "basalt/shell_quoting.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: elevation_probe HELPER ARGS...\n", stderr);
        return 2;
    }
    std::string script;
    for (int i = 1; i < argc; ++i) {
        script += (i > 1 ? " " : "") + basalt::shellEscapedPath(argv[i]);
    }
    QSemaphore done;
    int status = 0;
    QString message;
    basalt::executeWithAuthorization(script, "Please Authorize", {},
                                     [&](int s, const QString& m, const QPointer<QObject>&) {
                                         status = s;
                                         message = m;
                                         done.release();
                                     });
    while (!done.tryAcquire(1, 50)) {
        QCoreApplication::processEvents();
    }
    std::printf("probe: %d %s\n", status, message.toLocal8Bit().constData());
    return 0;
}
