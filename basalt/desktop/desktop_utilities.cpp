#include "basalt/desktop/desktop_utilities.h"

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ostream>

#include <QCoreApplication>
#include <QMimeDatabase>

#include <QGuiApplication>
#include <QPalette>
#include <QUrlQuery>

#include "basalt/desktop/alerts.h"
#include "basalt/diagnostics.h"

using namespace Qt::StringLiterals;

namespace basalt {

namespace {

std::atomic<gw::platform::Workspace*> installedWorkspace{nullptr};

gw::platform::Workspace* workspace() {
    return installedWorkspace.load();
}

}  // namespace

void setWorkspace(gw::platform::Workspace* ws) {
    installedWorkspace = ws;
}

void revealInFinder(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        diagnosticAlert(QCoreApplication::translate("desktop_utilities",
                                                    "Unable to Show the file in the file manager"),
                        QString::fromLocal8Bit(std::strerror(errno)), QString(), true);
        return;
    }
    if (auto* ws = workspace()) {
        ws->showItem(path);
    }
}

void URLShow(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid() || url.scheme().isEmpty()) {
        diagnostics() << "URLShow(_:) failed to convert string to URL \"" << text.toStdString()
                      << "\"\n";
        return;
    }
    if (auto* ws = workspace()) {
        ws->openUrl(url);
    }
}

void composeEmail(const QString& to, const QString& subject, const QString& body) {
    QUrl url(u"mailto:"_s + to, QUrl::StrictMode);
    if (!url.isValid()) {
        diagnosticAlert(
            QCoreApplication::translate("desktop_utilities", "Unable to generate e-mail"),
            QCoreApplication::translate("desktop_utilities", "Unable to create base URL."),
            QString(), true);
        return;
    }
    QUrlQuery query;
    // Encoded by hand so that "+", "&" and "=" in the texts survive every
    // mail program's decoding.
    const auto encoded = [](const QString& text) {
        return QString::fromLatin1(QUrl::toPercentEncoding(text));
    };
    query.setQueryItems({{u"subject"_s, encoded(subject)}, {u"body"_s, encoded(body)}});
    url.setQuery(query);
    if (!url.isValid()) {
        diagnosticAlert(
            QCoreApplication::translate("desktop_utilities", "Unable to generate e-mail"),
            QCoreApplication::translate("desktop_utilities", "Resulting URL is invalid."),
            QString(), true);
        return;
    }
    if (auto* ws = workspace()) {
        ws->openUrl(url);
    }
}

QColor linkTextColor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return QGuiApplication::palette().color(QPalette::Link);
    }
    return QColor(Qt::blue);
}

QIcon themedFileIcon(const QString& iconName) {
    QIcon themed = QIcon::fromTheme(iconName);
    if (themed.isNull()) {
        // MIME icons are named after their type ("text-plain"); most themes
        // only draw the generic one of each family ("text-x-generic").
        QString typeName = iconName;
        const qsizetype dash = typeName.indexOf(u'-');
        if (dash > 0) {
            typeName[dash] = u'/';
        }
        const QMimeType type = QMimeDatabase().mimeTypeForName(typeName);
        if (type.isValid()) {
            themed = QIcon::fromTheme(type.genericIconName());
        }
    }
    return themed;
}

}  // namespace basalt
