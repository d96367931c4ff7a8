#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

#include "platform/access_facts.h"

namespace gw::inspection {

// What one account may do with an item, and, where it may not, every
// reason in the order the kernel meets them.
enum class AccessAction { open, save, run, list, create, remove };
enum class BlockerCause {
    folderClosed,
    mode,
    acl,
    mask,
    immutable,
    appendOnly,
    readOnlyMount,
    noexecMount,
    sticky,
    folderNotWritable,
    noExecuteBit,
    noPermissionSupport,
    unknown
};

// The report's words: "open" … "delete", "folderClosed" … "unknown".
QString actionKey(AccessAction action);
QString causeKey(BlockerCause cause);

struct AccessBlocker {
    std::string path;
    BlockerCause cause = BlockerCause::unknown;
    QString text;  // a clause: "the folder /srv (owner alice, mode 700) is closed to you"
};

struct ActionVerdict {
    AccessAction action = AccessAction::open;
    bool allowed = false;
    std::vector<AccessBlocker> blockers;
};

struct AccessExplanation {
    QString accountName;
    bool forCaller = true;  // the texts say "you"
    bool isFolder = false;
    // open, save, run, delete for a file; open, list, create, delete for a folder.
    std::vector<ActionVerdict> actions;
    QStringList securityModules;
    // Set on a disk that stores no permissions: the reason the grid can't
    // be changed there.
    std::optional<QString> noPermissionSupport;

    const ActionVerdict* verdict(AccessAction action) const;
    bool anyRefused() const;
};

// File systems whose permissions come from mount options, not the disk.
bool storesNoPermissions(const std::string& fsType);

// Judges the item at the absolute path for the account.
AccessExplanation explainAccess(const std::string& path, const platform::AccountFacts& account,
                                bool accountIsCaller, platform::AccessFacts& facts);

// "You can't open this file: the folder /srv (owner alice, mode 700) is
// closed to you." / "You can open this file."
QString verdictSentence(const AccessExplanation& explanation, const ActionVerdict& verdict);
// A note naming active security modules; empty when there are none.
QString securityModulesNote(const AccessExplanation& explanation);

}  // namespace gw::inspection
