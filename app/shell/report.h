#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include <QJsonObject>

#include "app/inspection/file_info.h"

namespace gw::shell {

// The record as JSON, keyed by the record's field names.
QJsonObject reportJson(const inspection::FileInfo& info);
// The record as the window would tell it, in lines of text.
std::string reportText(const inspection::FileInfo& info);

// `grantwell --report [--json] PATH...`: one record per path on standard
// output. Exit status 1 when any path could not be reached, else 0.
int runReport(const std::vector<std::string>& paths, bool json,
              platform::InspectionPlatform& platform, std::ostream& out);

}  // namespace gw::shell
