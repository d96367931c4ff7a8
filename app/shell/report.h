#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include <QJsonObject>

#include "app/inspection/access_explanation.h"
#include "app/inspection/file_info.h"

namespace gw::shell {

// The record as JSON, keyed by the record's field names.
QJsonObject reportJson(const inspection::FileInfo& info);
// The record as the window would tell it, in lines of text.
std::string reportText(const inspection::FileInfo& info);

// The "why" object: one key per action, each with its verdict and blockers.
QJsonObject whyJson(const inspection::AccessExplanation& explanation);
// The same in sentences, one per action.
std::string whyText(const inspection::AccessExplanation& explanation);

// Whom the report's "why" is judged for.
struct ReportAccount {
    platform::AccessFacts& facts;
    platform::AccountFacts account;
    bool isCaller = true;
};

// `grantwell --report [--json] [--as USER] PATH...`: one record per path on
// standard output. Exit status 1 when any path could not be reached, else 0.
// With an account, each record also says what it may do and why not.
int runReport(const std::vector<std::string>& paths, bool json,
              platform::InspectionPlatform& platform, std::ostream& out,
              const ReportAccount* why = nullptr);

}  // namespace gw::shell
