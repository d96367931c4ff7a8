#include "access_explanation.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <span>

#include <QCoreApplication>
#include <QFile>

#include "path_display.h"

using namespace Qt::StringLiterals;

namespace gw::inspection {
namespace {

using platform::AccessFacts;
using platform::AccountFacts;
using platform::AclEntryFacts;
using platform::FileKind;
using platform::PathStep;
using platform::StepFacts;

constexpr unsigned kRead = 4, kWrite = 2, kExecute = 1;

QString modeText(unsigned mode) {
    return QString::number(mode & 07777u, 8).rightJustified(3, u'0');
}

bool isFolder(const StepFacts& facts) {
    return facts.kind == FileKind::Directory;
}

// The kernel's permission check for one class of rights, and which part of
// the item's rights decided a refusal.
struct Permission {
    bool granted = false;
    BlockerCause cause = BlockerCause::mode;
};

Permission checkRights(const StepFacts& item, const AccountFacts& account, unsigned want) {
    const auto grants = [want](unsigned rights) { return (rights & want) == want; };
    if (want & kExecute && !isFolder(item) && (item.mode & 0111u) == 0) {
        return {false, BlockerCause::noExecuteBit};
    }
    // Root passes every check but execute, which needs some x bit.
    if (account.uid == 0) {
        return {true, BlockerCause::mode};
    }
    if (account.uid == item.uid) {
        return {grants(item.mode >> 6), BlockerCause::mode};
    }
    if (item.acl) {
        unsigned mask = 7;
        for (const auto& entry : *item.acl) {
            if (entry.tag == AclEntryFacts::Tag::mask)
                mask = entry.rights;
        }
        for (const auto& entry : *item.acl) {
            if (entry.tag == AclEntryFacts::Tag::user && entry.id == account.uid) {
                return {grants(entry.rights & mask),
                        grants(entry.rights) ? BlockerCause::mask : BlockerCause::acl};
            }
        }
        bool matched = false, granted = false, grantedUnmasked = false;
        for (const auto& entry : *item.acl) {
            const bool groupEntry =
                entry.tag == AclEntryFacts::Tag::groupObj || entry.tag == AclEntryFacts::Tag::group;
            const gid_t gid = entry.tag == AclEntryFacts::Tag::groupObj ? item.gid : entry.id;
            if (groupEntry && account.isMember(gid)) {
                matched = true;
                granted = granted || grants(entry.rights & mask);
                grantedUnmasked = grantedUnmasked || grants(entry.rights);
            }
        }
        if (matched) {
            return {granted, grantedUnmasked ? BlockerCause::mask : BlockerCause::acl};
        }
        return {grants(item.mode), BlockerCause::mode};
    }
    if (account.isMember(item.gid)) {
        return {grants(item.mode >> 3), BlockerCause::mode};
    }
    return {grants(item.mode), BlockerCause::mode};
}

// The texts name the account: "you", or its name.
struct Wording {
    AccessFacts& facts;
    QString subject;  // "you" or the name, inside a clause
    QString Subject;  // at the start of a sentence

    QString owner(const StepFacts& item) const {
        return QString::fromStdString(facts.userName(item.uid));
    }
    QString group(const StepFacts& item) const {
        return QString::fromStdString(facts.groupName(item.gid));
    }
};

QString rightWords(AccessAction action, bool folder) {
    switch (action) {
        case AccessAction::open:
            return folder ? QCoreApplication::translate("access_explanation", "enter it")
                          : QCoreApplication::translate("access_explanation", "read it");
        case AccessAction::save:
            return QCoreApplication::translate("access_explanation", "change it");
        case AccessAction::run:
            return QCoreApplication::translate("access_explanation", "run it");
        case AccessAction::list:
            return QCoreApplication::translate("access_explanation", "list what is in it");
        case AccessAction::create:
            return QCoreApplication::translate("access_explanation", "add items to it");
        case AccessAction::remove:
            return QCoreApplication::translate("access_explanation", "change what is in it");
    }
    return {};
}

QString relevantMountOptions(const platform::MountFacts& mount) {
    QStringList kept;
    for (const auto& option : mount.superOptions) {
        for (const char* key : {"uid=", "gid=", "umask=", "fmask=", "dmask="}) {
            if (option.rfind(key, 0) == 0)
                kept << QString::fromStdString(option);
        }
    }
    return kept.isEmpty() ? QCoreApplication::translate("access_explanation",
                                                        "none given, so the defaults apply")
                          : kept.join(u", "_s);
}

bool onDiskWithoutPermissions(const StepFacts& item) {
    return item.mount && storesNoPermissions(item.mount->fsType);
}

class Judge {
  public:
    Judge(const AccountFacts& account, Wording wording, bool protectedSymlinks)
        : account_(account), wording_(std::move(wording)), protectedSymlinks_(protectedSymlinks) {}

    // The folders a lookup passes (each searched), the links it follows,
    // and what could not be seen.
    void passFolders(std::span<const PathStep> chain, std::vector<AccessBlocker>& out) const {
        const PathStep* folder = nullptr;
        for (const auto& step : chain) {
            if (!step.facts) {
                if (out.empty())
                    out.push_back(unseen(step));
                return;
            }
            if (step.facts->kind == FileKind::SymbolicLink) {
                if (folder)
                    followLink(*folder, step, out);
                continue;
            }
            if (!isFolder(*step.facts))
                continue;
            folder = &step;
            if (!checkRights(*step.facts, account_, kExecute).granted) {
                out.push_back(
                    {step.path, BlockerCause::folderClosed,
                     QCoreApplication::translate(
                         "access_explanation", "the folder %1 (owner %2, mode %3) is closed to %4")
                         .arg(pathText(step.path), wording_.owner(*step.facts),
                              modeText(step.facts->mode), wording_.subject)});
            }
        }
    }

    // Root is not spared: the rule guards against links planted for it.
    void followLink(const PathStep& folder, const PathStep& link,
                    std::vector<AccessBlocker>& out) const {
        const StepFacts& where = *folder.facts;
        const uid_t owner = link.facts->uid;
        if (!protectedSymlinks_ || !(where.mode & S_ISVTX) || !(where.mode & 0002) ||
            account_.uid == owner || where.uid == owner) {
            return;
        }
        out.push_back(
            {folder.path, BlockerCause::sticky,
             QCoreApplication::translate(
                 "access_explanation",
                 "the folder %1 is sticky and open to everyone, so the link %2 in it "
                 "is followed only for its owner (%3)")
                 .arg(pathText(folder.path), pathText(link.path), wording_.owner(*link.facts))});
    }

    AccessBlocker unseen(const PathStep& step) const {
        if (step.error == ENOENT) {
            return {step.path, BlockerCause::unknown,
                    QCoreApplication::translate("access_explanation", "%1 doesn't exist")
                        .arg(pathText(step.path))};
        }
        return {step.path, BlockerCause::unknown,
                QCoreApplication::translate(
                    "access_explanation",
                    "%1 could not be looked at (%2), so what lies past it isn't known")
                    .arg(pathText(step.path), QString::fromLocal8Bit(std::strerror(step.error)))};
    }

    void rights(const PathStep& step, AccessAction action, unsigned want,
                std::vector<AccessBlocker>& out) const {
        const StepFacts& item = *step.facts;
        const Permission permission = checkRights(item, account_, want);
        if (permission.granted)
            return;
        const QString words = rightWords(action, isFolder(item));
        switch (permission.cause) {
            case BlockerCause::noExecuteBit:
                out.push_back({step.path, permission.cause,
                               QCoreApplication::translate(
                                   "access_explanation",
                                   "it isn't marked as a program: no execute permission is set")});
                return;
            case BlockerCause::acl:
                out.push_back(
                    {step.path, permission.cause,
                     QCoreApplication::translate("access_explanation",
                                                 "its access list doesn't give %1 the right to %2")
                         .arg(wording_.subject, words)});
                return;
            case BlockerCause::mask:
                out.push_back(
                    {step.path, permission.cause,
                     QCoreApplication::translate(
                         "access_explanation",
                         "its access list lets %1 %2, but the list's mask takes that away")
                         .arg(wording_.subject, words)});
                return;
            default:
                break;
        }
        if (onDiskWithoutPermissions(item)) {
            out.push_back(noPermissionSupport(step, isFolder(item)));
            return;
        }
        out.push_back({step.path, BlockerCause::mode,
                       QCoreApplication::translate(
                           "access_explanation",
                           "its permissions (owner %1, group %2, mode %3) don't let %4 %5")
                           .arg(wording_.owner(item), wording_.group(item), modeText(item.mode),
                                wording_.subject, words)});
    }

    AccessBlocker noPermissionSupport(const PathStep& step, bool folder) const {
        const auto& mount = *step.facts->mount;
        const QString type = QString::fromStdString(mount.fsType);
        const QString options = relevantMountOptions(mount);
        if (folder) {
            return {step.path, BlockerCause::noPermissionSupport,
                    QCoreApplication::translate(
                        "access_explanation",
                        "the folder %1 is on a disk that doesn't store permissions (%2); its "
                        "rights come from the mount options: %3")
                        .arg(pathText(step.path), type, options)};
        }
        return {step.path, BlockerCause::noPermissionSupport,
                QCoreApplication::translate(
                    "access_explanation",
                    "this disk doesn't store permissions (%1); they come from its mount "
                    "options: %2")
                    .arg(type, options)};
    }

    // A change to the item itself (saving, adding to a folder).
    void changeable(const PathStep& step, bool appendCounts,
                    std::vector<AccessBlocker>& out) const {
        const StepFacts& item = *step.facts;
        if (item.mount && item.mount->readOnly) {
            out.push_back({step.path, BlockerCause::readOnlyMount,
                           QCoreApplication::translate("access_explanation",
                                                       "the disk at %1 is mounted read-only")
                               .arg(pathText(item.mount->mountPoint))});
        }
        if (item.immutable) {
            out.push_back(
                {step.path, BlockerCause::immutable,
                 isFolder(item)
                     ? QCoreApplication::translate("access_explanation", "the folder %1 is locked")
                           .arg(pathText(step.path))
                     : QCoreApplication::translate("access_explanation", "it is locked")});
        }
        if (appendCounts && item.appendOnly) {
            out.push_back(
                {step.path, BlockerCause::appendOnly,
                 QCoreApplication::translate("access_explanation",
                                             "it only takes additions at its end (append-only)")});
        }
    }

    void removable(const PathStep& folder, const PathStep& step,
                   std::vector<AccessBlocker>& out) const {
        const StepFacts& parent = *folder.facts;
        const StepFacts& item = *step.facts;
        const QString where = pathText(folder.path);
        if (parent.mount && parent.mount->readOnly) {
            out.push_back({folder.path, BlockerCause::readOnlyMount,
                           QCoreApplication::translate("access_explanation",
                                                       "the disk at %1 is mounted read-only")
                               .arg(pathText(parent.mount->mountPoint))});
        }
        if (parent.immutable) {
            out.push_back(
                {folder.path, BlockerCause::immutable,
                 QCoreApplication::translate("access_explanation", "the folder %1 is locked")
                     .arg(where)});
        }
        if (!checkRights(parent, account_, kWrite | kExecute).granted) {
            if (onDiskWithoutPermissions(parent)) {
                out.push_back(noPermissionSupport(folder, true));
            } else {
                out.push_back({folder.path, BlockerCause::folderNotWritable,
                               QCoreApplication::translate(
                                   "access_explanation",
                                   "the folder %1 (owner %2, mode %3) doesn't let %4 change what "
                                   "is in it")
                                   .arg(where, wording_.owner(parent), modeText(parent.mode),
                                        wording_.subject)});
            }
        }
        if ((parent.mode & S_ISVTX) && account_.uid != 0 && account_.uid != item.uid &&
            account_.uid != parent.uid) {
            out.push_back({folder.path, BlockerCause::sticky,
                           QCoreApplication::translate(
                               "access_explanation",
                               "the folder %1 lets only an item's owner (here %2) or its own owner "
                               "(%3) delete or rename what is in it")
                               .arg(where, wording_.owner(item), wording_.owner(parent))});
        }
        if (parent.appendOnly) {
            out.push_back(
                {folder.path, BlockerCause::appendOnly,
                 QCoreApplication::translate("access_explanation",
                                             "the folder %1 only takes additions (append-only)")
                     .arg(where)});
        }
        if (item.immutable) {
            out.push_back({step.path, BlockerCause::immutable,
                           QCoreApplication::translate("access_explanation", "it is locked")});
        }
        if (item.appendOnly) {
            out.push_back(
                {step.path, BlockerCause::appendOnly,
                 QCoreApplication::translate("access_explanation",
                                             "it only takes additions at its end (append-only)")});
        }
    }

  private:
    const AccountFacts& account_;
    Wording wording_;
    bool protectedSymlinks_;
};

// The folder an item sits in: a lookup may have passed others after it
// ("..") or links.
const PathStep& holdingFolder(std::span<const PathStep> chain, const PathStep& item) {
    const auto slash = item.path.rfind('/');
    const std::string parent = slash == 0 ? "/" : item.path.substr(0, slash);
    // Backwards by index: clang-tidy 14 can't read libstdc++ 12's reverse_view.
    for (size_t i = chain.size(); i-- > 0;) {
        const PathStep& step = chain[i];
        if (step.path == parent && step.facts && isFolder(*step.facts))
            return step;
    }
    return chain.back();
}

std::span<const PathStep> withoutLast(const std::vector<PathStep>& steps) {
    return std::span<const PathStep>(steps).first(steps.empty() ? 0 : steps.size() - 1);
}

}  // namespace

QString actionKey(AccessAction action) {
    switch (action) {
        case AccessAction::open:
            return u"open"_s;
        case AccessAction::save:
            return u"save"_s;
        case AccessAction::run:
            return u"run"_s;
        case AccessAction::list:
            return u"list"_s;
        case AccessAction::create:
            return u"create"_s;
        case AccessAction::remove:
            return u"delete"_s;
    }
    return {};
}

QString causeKey(BlockerCause cause) {
    static const char* const kKeys[] = {"folderClosed",  "mode",
                                        "acl",           "mask",
                                        "immutable",     "appendOnly",
                                        "readOnlyMount", "noexecMount",
                                        "sticky",        "folderNotWritable",
                                        "noExecuteBit",  "noPermissionSupport",
                                        "unknown"};
    return QString::fromLatin1(kKeys[static_cast<int>(cause)]);
}

bool storesNoPermissions(const std::string& fsType) {
    static const char* const kTypes[] = {"vfat",  "msdos",   "fat", "exfat",   "ntfs",
                                         "ntfs3", "fuseblk", "hfs", "hfsplus", "udf"};
    return std::any_of(std::begin(kTypes), std::end(kTypes),
                       [&](const char* type) { return fsType == type; });
}

const ActionVerdict* AccessExplanation::verdict(AccessAction action) const {
    for (const auto& entry : actions) {
        if (entry.action == action)
            return &entry;
    }
    return nullptr;
}

bool AccessExplanation::anyRefused() const {
    return std::any_of(actions.begin(), actions.end(),
                       [](const ActionVerdict& v) { return !v.allowed; });
}

AccessExplanation explainAccess(const std::string& path, const AccountFacts& account,
                                bool accountIsCaller, AccessFacts& facts) {
    AccessExplanation explanation;
    explanation.accountName = QString::fromStdString(account.name);
    explanation.forCaller = accountIsCaller;
    for (const auto& module : facts.securityModules())
        explanation.securityModules << QString::fromStdString(module);
    const QString name = QString::fromStdString(account.name);
    const Judge judge(
        account,
        Wording{facts,
                accountIsCaller ? QCoreApplication::translate("access_explanation", "you") : name,
                accountIsCaller ? QCoreApplication::translate("access_explanation", "You") : name},
        facts.protectedSymlinks());

    // The item itself, for deleting; what it leads to, for everything else.
    const std::vector<PathStep> itemSteps = facts.walk(path, false);
    const bool itemSeen = !itemSteps.empty() && itemSteps.back().facts.has_value();
    const bool isLink = itemSeen && itemSteps.back().facts->kind == FileKind::SymbolicLink;
    const std::vector<PathStep> steps = isLink ? facts.walk(path, true) : itemSteps;
    const bool seen = !steps.empty() && steps.back().facts.has_value();
    explanation.isFolder = seen && isFolder(*steps.back().facts);
    const bool folder = explanation.isFolder;
    if (seen && onDiskWithoutPermissions(*steps.back().facts)) {
        const auto& mount = *steps.back().facts->mount;
        explanation.noPermissionSupport =
            QCoreApplication::translate(
                "access_explanation",
                "This disk doesn't store permissions (%1); they come from its mount options: %2")
                .arg(QString::fromStdString(mount.fsType), relevantMountOptions(mount));
    }

    const auto judgeAction = [&](AccessAction action) {
        ActionVerdict verdict{action, false, {}};
        auto& out = verdict.blockers;
        if (action == AccessAction::remove) {
            if (!itemSeen) {
                judge.passFolders(itemSteps, out);
            } else if (itemSteps.size() < 2) {
                out.push_back({itemSteps.back().path, BlockerCause::unknown,
                               QCoreApplication::translate("access_explanation",
                                                           "the top folder can't be deleted")});
            } else {
                const auto chain = withoutLast(itemSteps);
                judge.passFolders(chain, out);
                judge.removable(holdingFolder(chain, itemSteps.back()), itemSteps.back(), out);
            }
        } else if (!seen) {
            judge.passFolders(steps, out);
        } else {
            const PathStep& item = steps.back();
            judge.passFolders(withoutLast(steps), out);
            switch (action) {
                case AccessAction::open:
                    judge.rights(item, action, folder ? kExecute : kRead, out);
                    break;
                case AccessAction::list:
                    judge.rights(item, action, kRead, out);
                    break;
                case AccessAction::save:
                    judge.changeable(item, true, out);
                    judge.rights(item, action, kWrite, out);
                    break;
                case AccessAction::create:
                    judge.changeable(item, false, out);
                    judge.rights(item, action, kWrite | kExecute, out);
                    break;
                case AccessAction::run:
                    judge.rights(item, action, kExecute, out);
                    if (item.facts->mount && item.facts->mount->noexec) {
                        out.push_back({item.path, BlockerCause::noexecMount,
                                       QCoreApplication::translate(
                                           "access_explanation",
                                           "the disk at %1 doesn't allow running programs "
                                           "(noexec)")
                                           .arg(pathText(item.facts->mount->mountPoint))});
                    }
                    break;
                case AccessAction::remove:
                    break;
            }
        }
        if (out.empty() && (seen || action == AccessAction::remove)) {
            verdict.allowed = true;
        }
        if (!verdict.allowed && out.empty()) {
            out.push_back({path, BlockerCause::unknown,
                           QCoreApplication::translate("access_explanation",
                                                       "the item could not be looked at")});
        }
        explanation.actions.push_back(std::move(verdict));
    };
    if (folder) {
        for (auto action :
             {AccessAction::open, AccessAction::list, AccessAction::create, AccessAction::remove})
            judgeAction(action);
    } else {
        for (auto action :
             {AccessAction::open, AccessAction::save, AccessAction::run, AccessAction::remove})
            judgeAction(action);
    }
    return explanation;
}

QString verdictSentence(const AccessExplanation& explanation, const ActionVerdict& verdict) {
    const bool folder = explanation.isFolder;
    QString verb;
    switch (verdict.action) {
        case AccessAction::open:
            verb = QCoreApplication::translate("access_explanation", "open");
            break;
        case AccessAction::save:
            verb = QCoreApplication::translate("access_explanation", "save changes to");
            break;
        case AccessAction::run:
            verb = QCoreApplication::translate("access_explanation", "run");
            break;
        case AccessAction::list:
            verb = QCoreApplication::translate("access_explanation", "list what is in");
            break;
        case AccessAction::create:
            verb = QCoreApplication::translate("access_explanation", "create items in");
            break;
        case AccessAction::remove:
            verb = QCoreApplication::translate("access_explanation", "delete or rename");
            break;
    }
    const QString subject = explanation.forCaller
                                ? QCoreApplication::translate("access_explanation", "You")
                                : explanation.accountName;
    const QString thing = folder ? QCoreApplication::translate("access_explanation", "this folder")
                                 : QCoreApplication::translate("access_explanation", "this file");
    if (verdict.allowed) {
        return QCoreApplication::translate("access_explanation", "%1 can %2 %3.")
            .arg(subject, verb, thing);
    }
    QStringList reasons;
    for (const auto& blocker : verdict.blockers)
        reasons << blocker.text;
    return QCoreApplication::translate("access_explanation", "%1 can't %2 %3: %4.")
        .arg(subject, verb, thing, reasons.join(u"; "_s));
}

QString securityModulesNote(const AccessExplanation& explanation) {
    if (explanation.securityModules.isEmpty())
        return {};
    return QCoreApplication::translate(
               "access_explanation",
               "%1 is active on this system and may refuse more than the permissions say.")
        .arg(explanation.securityModules.join(u" and "_s));
}

}  // namespace gw::inspection
