#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/access_facts.h"

namespace gw::test {

// Access facts from a script: a path's steps are the scripted items whose
// paths lead to it ("/", "/a", "/a/b"); an item left out can't be looked at.
class ScriptedAccessFacts : public platform::AccessFacts {
  public:
    std::map<std::string, platform::StepFacts> items;
    std::map<std::string, int> errors;  // errno for items that can't be looked at
    std::vector<platform::AccountFacts> accounts;
    platform::AccountFacts callerAccount{"me", 1000, 1000, {1000}};
    std::vector<std::string> modules;
    bool protectedLinks = true;

    // The item at an absolute path, with every folder above it.
    void place(const std::string& path, const platform::StepFacts& item,
               const platform::StepFacts& folders) {
        items["/"] = folders;
        for (size_t slash = path.find('/', 1); slash != std::string::npos;
             slash = path.find('/', slash + 1))
            items[path.substr(0, slash)] = folders;
        items[path] = item;
    }

    std::vector<platform::PathStep> walk(const std::string& path, bool) override {
        std::vector<platform::PathStep> steps;
        std::string at;
        size_t from = 0;
        for (;;) {
            const size_t slash = path.find('/', from + 1);
            at = from == 0 && path.size() == 1 ? "/" : path.substr(0, slash);
            if (steps.empty() && at != "/") {
                add(steps, "/");
                if (!steps.back().facts)
                    return steps;
            }
            add(steps, at);
            if (!steps.back().facts || slash == std::string::npos)
                return steps;
            from = slash;
        }
    }
    std::optional<platform::AccountFacts> account(const std::string& name) override {
        for (const auto& account : accounts) {
            if (account.name == name)
                return account;
        }
        return std::nullopt;
    }
    platform::AccountFacts caller() override { return callerAccount; }
    std::vector<std::string> accountNames() override {
        std::vector<std::string> names;
        for (const auto& account : accounts)
            names.push_back(account.name);
        return names;
    }
    std::string userName(uid_t uid) override { return "user" + std::to_string(uid); }
    std::string groupName(gid_t gid) override { return "group" + std::to_string(gid); }
    std::vector<std::string> securityModules() override { return modules; }
    bool protectedSymlinks() override { return protectedLinks; }

  private:
    void add(std::vector<platform::PathStep>& steps, const std::string& path) {
        const auto found = items.find(path);
        if (found != items.end()) {
            steps.push_back({path, found->second, 0});
        } else {
            const auto error = errors.find(path);
            steps.push_back({path, std::nullopt, error != errors.end() ? error->second : EACCES});
        }
    }
};

}  // namespace gw::test
