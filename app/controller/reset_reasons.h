#pragma once

#include <QString>

#include "platform/child_process.h"

namespace gw::controller {

// Why a child failed, as the progress panel shows it: the exit status, a
// space and everything the child printed; or "Unknown reason, code: " and
// the status when its output isn't text.
QString failureReason(const platform::ChildOutcome& task);

}  // namespace gw::controller
