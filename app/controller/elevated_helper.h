#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QObject>

#include "basalt/desktop/authorization.h"
#include "platform/item.h"

namespace gw::controller {

// The application's one way to act as administrator: Vosker, by absolute
// path, with the given arguments, behind the prompt of Grantwell's own
// polkit action. The outcome arrives on the main thread, unless `context`
// is gone by then.
void runHelperAsAdministrator(QObject* context, const std::string& helper,
                              const std::vector<std::string>& arguments, const char* prompt,
                              std::function<void(const basalt::ScriptOutcome&)> done);

// The arguments that name one item to the helper: the inode the window
// shows, then the path with its folders resolved (the last component as it
// is, so that a link is acted on as the link).
std::vector<std::string> itemArguments(const std::string& path,
                                       const std::optional<platform::ItemIdentity>& identity);

}  // namespace gw::controller
