#include "tree_reset.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "item_opening.h"
#include "item_reset.h"

namespace vosker {
namespace {

using gw::platform::FileKind;
using gw::platform::HelperServices;
using gw::platform::Item;
using gw::platform::ItemIdentity;

// One folder on the way down: which inode it is, its name, and the entries
// still to visit. Names, not paths: a path is only made to print it, so a
// 10,000-deep chain costs no quadratic memory.
struct Frame {
    ItemIdentity identity;
    std::string name;
    std::vector<std::string> pending;
};

std::string pathOf(const std::vector<Frame>& stack, const std::string& name) {
    std::string path;
    for (const auto& frame : stack) {
        path += (path.empty() || path.back() == '/' ? "" : "/") + frame.name;
    }
    return path + (path.empty() || path.back() == '/' ? "" : "/") + name;
}

// The entries in the order they are visited (back first): by name.
std::vector<std::string> visitOrder(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(), std::greater<>());
    return names;
}

// Walks the tree below an opened folder, calling visit for each entry and
// descending where it answers true. Answers false when the walk could not
// finish (a folder moved, or the caller stopped it).
template <class Visit, class Fail, class Between>
bool walkBelow(Item root, const std::string& rootPath, const HelperServices& services, Visit visit,
               Fail fail, Between between) {
    auto names = services.files.childNames(root);
    if (!names) {
        fail(rootPath, "Its entries could not be listed: " + names.error().description);
        return true;
    }
    std::vector<Frame> stack;
    stack.push_back(Frame{root.identity(), rootPath, visitOrder(std::move(names.value()))});
    Item current = std::move(root);
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.pending.empty()) {
            stack.pop_back();
            if (stack.empty())
                break;
            auto parent = services.files.openParent(current, stack.back().identity);
            if (!parent) {
                fail(pathOf(stack, ""), parent.error().description + "; the rest was left alone");
                return false;
            }
            current = std::move(parent.value());
            continue;
        }
        if (!between())
            return false;
        const std::string name = std::move(top.pending.back());
        top.pending.pop_back();
        auto child = services.files.openChild(current, name);
        if (!child) {
            fail(pathOf(stack, name), child.error().description);
            continue;
        }
        if (!visit(*child, stack, name) || child->kind() != FileKind::Directory)
            continue;
        auto inner = services.files.childNames(*child);
        if (!inner) {
            fail(pathOf(stack, name),
                 "Its entries could not be listed: " + inner.error().description);
            continue;
        }
        stack.push_back(Frame{child->identity(), name, visitOrder(std::move(inner.value()))});
        current = std::move(child.value());
    }
    return true;
}

}  // namespace

std::string grouped(uint64_t number) {
    std::string digits = std::to_string(number);
    for (auto at = static_cast<long>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<size_t>(at), ",");
    }
    return digits;
}

std::string treeSummary(const TreeCounts& counts) {
    std::string text = "Reset " + grouped(counts.reset) + (counts.reset == 1 ? " item" : " items");
    if (counts.failed > 0)
        text += ", " + grouped(counts.failed) + " failed";
    if (counts.leftAlone > 0)
        text += ", " + grouped(counts.leftAlone) + " left alone";
    return text;
}

TreeCounts resetTree(const ItemRequest& request, const RunSettings& settings,
                     const HelperServices& services, std::ostream& out,
                     const BetweenEntries& between, const BeforeEntry& before) {
    TreeCounts counts;
    const auto fail = [&](const std::string& path, const std::string& message) {
        out << "error: " << path << ": " << message << '\n';
        ++counts.failed;
    };
    auto opened = openItem(request, services);
    if (auto* refused = std::get_if<std::string>(&opened)) {
        fail(request.path, *refused);
        return counts;
    }
    Item root = std::move(std::get<Item>(opened));
    if (!between(0)) {
        counts.stopped = true;
        return counts;
    }
    if (settings.verbose)
        out << request.path << '\n';
    if (auto refused = before ? before(root, 0, request.path) : std::nullopt) {
        fail(request.path, *refused);
        return counts;  // nothing changed, so nothing below is either
    }
    const ResetOutcome first =
        resetOpenedItem(root, settings, services, out, ModeJudgement::byPath);
    if (first.status != 0) {
        fail(request.path, first.message);
    } else {
        ++counts.reset;
    }
    if (root.kind() != FileKind::Directory)
        return counts;

    const auto device = root.identity().device;
    const auto visit = [&](const Item& child, const std::vector<Frame>& stack,
                           const std::string& name) {
        if (child.isMountRoot() || child.identity().device != device) {
            out << "Left alone: " << pathOf(stack, name) << " (another disk is mounted there)\n";
            ++counts.leftAlone;
            return false;
        }
        if (auto refused = refusal(child, services)) {
            fail(pathOf(stack, name), *refused);
            return false;
        }
        if (settings.verbose)
            out << pathOf(stack, name) << '\n';
        if (auto refused =
                before ? before(child, static_cast<int>(stack.size()), name) : std::nullopt) {
            fail(pathOf(stack, name), *refused);
            return false;
        }
        const ResetOutcome outcome =
            resetOpenedItem(child, settings, services, out, ModeJudgement::byDescriptor);
        if (outcome.status != 0) {
            fail(pathOf(stack, name), outcome.message);
        } else {
            ++counts.reset;
        }
        return true;  // a folder that failed is still walked: its entries may not
    };
    const auto next = [&]() {
        if (between(counts.reset + counts.failed + counts.leftAlone))
            return true;
        counts.stopped = true;
        return false;
    };
    walkBelow(std::move(root), request.path, services, visit, fail, next);
    return counts;
}

uint64_t countTree(const ItemRequest& request, const HelperServices& services) {
    auto opened = openItem(request, services);
    if (!std::holds_alternative<Item>(opened))
        return 1;
    Item root = std::move(std::get<Item>(opened));
    if (root.kind() != FileKind::Directory)
        return 1;
    uint64_t count = 1;
    const auto device = root.identity().device;
    walkBelow(
        std::move(root), request.path, services,
        [&](const Item& child, const std::vector<Frame>&, const std::string&) {
            ++count;
            return !child.isMountRoot() && child.identity().device == device;
        },
        [](const std::string&, const std::string&) {}, []() { return true; });
    return count;
}

}  // namespace vosker
