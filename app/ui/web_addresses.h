#pragma once

#include <QString>

// Where the maker's pages live; one place for every command and view that
// opens them.
namespace gw::ui::web {

using namespace Qt::StringLiterals;
inline const QString makerSite = u"https://ambrel.example.com/"_s;
inline const QString stayUpToDate = u"https://ambrel.example.com/uptodate/"_s;
inline const QString productPage = u"https://ambrel.example.com/grantwell/"_s;
inline const QString updatePage = u"https://ambrel.example.com/grantwell/update.xhtml"_s;
inline const QString reviewPage = u"https://apps.example.org/grantwell/reviews"_s;
}  // namespace gw::ui::web
