#pragma once

#include "platform/desktop/inspection_platform.h"

namespace gw::test {

using namespace Qt::StringLiterals;

// Answers every inspection question from its public fields: for what
// Linux never produces (a system lock, alias files, a localized kind,
// Spotlight sizes, a failed request).
class ScriptedInspection final : public platform::InspectionPlatform {
  public:
    QString login = u"mia"_s;
    QString name = u"item"_s;
    bool deletable = true;
    std::optional<QString> icon = u"text-plain"_s;
    std::optional<platform::AttributeDictionary> attributeDictionary =
        platform::AttributeDictionary{};
    std::optional<int64_t> spotlightSize;
    std::optional<platform::ResourceValues> resources = platform::ResourceValues{};
    int64_t xattrLength = 0;
    platform::Result<std::optional<std::string>> acl = std::optional<std::string>();
    std::optional<QString> extensionKind;
    std::optional<platform::AccessValues> access = platform::AccessValues{};
    int iconFetches = 0;

    QString loginName() override { return login; }
    QString displayName(const std::string&) override { return name; }
    bool isDeletable(const std::string&) override { return deletable; }
    std::optional<QString> iconName(const std::string&) override {
        ++iconFetches;
        return icon;
    }
    std::optional<platform::AttributeDictionary> attributes(const std::string&) override {
        return attributeDictionary;
    }
    std::optional<int64_t> logicalSize(const std::string&) override { return spotlightSize; }
    std::optional<platform::ResourceValues> resourceValues(const std::string&) override {
        return resources;
    }
    int64_t xattrNameListLength(const std::string&) override { return xattrLength; }
    platform::Result<std::optional<std::string>> aclText(const std::string&) override {
        return acl;
    }
    std::optional<QString> kindForExtension(const QString&) override { return extensionKind; }
    QString iconNameForFileName(const QString&) override { return u"text-x-generic"_s; }
    std::optional<platform::AccessValues> accessValues(const std::string&) override {
        return access;
    }
};

}  // namespace gw::test
