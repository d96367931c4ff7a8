#pragma once

#include <QString>

// Where the maker's pages live; one place for every command and view that
// opens them.
namespace gw::ui::web {
inline const QString makerSite = QStringLiteral("https://ambrel.example.com/");
inline const QString stayUpToDate = QStringLiteral("https://ambrel.example.com/uptodate/");
inline const QString productPage = QStringLiteral("https://ambrel.example.com/grantwell/");
inline const QString updatePage =
    QStringLiteral("https://ambrel.example.com/grantwell/update.xhtml");
inline const QString reviewPage = QStringLiteral("https://apps.example.org/grantwell/reviews");
}  // namespace gw::ui::web
