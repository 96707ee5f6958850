#include "platform/foundation/Bundle.h"

#include <cstdlib>
#include <vector>

#include "platform/foundation/StringsTable.h"

namespace platform::foundation {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> preferredLanguages() {
    std::vector<std::string> languages;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value) continue;
        std::string locale(value);
        locale = locale.substr(0, locale.find_first_of(".@"));
        if (!locale.empty() && locale != "C" && locale != "POSIX") {
            languages.push_back(locale);
            const auto underscore = locale.find('_');
            if (underscore != std::string::npos) languages.push_back(locale.substr(0, underscore));
        }
        break;
    }
    languages.push_back("en");
    languages.push_back("Base");
    return languages;
}

}  // namespace

Bundle::Bundle(fs::path bundlePath, bool isBundle)
    : bundlePath_(std::move(bundlePath)), isBundle_(isBundle) {}

Bundle Bundle::forExecutable(const fs::path& executable) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(executable, error);
    if (error) resolved = executable.lexically_normal();
    const fs::path macos = resolved.parent_path();
    const fs::path contents = macos.parent_path();
    const fs::path bundle = contents.parent_path();
    if (macos.filename() == "MacOS" && contents.filename() == "Contents" &&
        bundle.has_extension() && bundle.stem() != "") {
        return Bundle(bundle, true);
    }
    return Bundle(macos, false);
}

Bundle Bundle::mainBundle() { return forExecutable("/proc/self/exe"); }

bool Bundle::isApplicationBundle() const { return isBundle_ && bundlePath_.extension() == ".app"; }

std::optional<fs::path> Bundle::infoPlistPath() const {
    if (!isBundle_) return std::nullopt;
    return bundlePath_ / "Contents" / "Info.plist";
}

std::optional<std::string> Bundle::bundleIdentifier() const {
    return objectForInfoDictionaryKey("CFBundleIdentifier");
}

std::optional<std::string> Bundle::objectForInfoDictionaryKey(const std::string& key) const {
    const std::optional<fs::path> infoPlist = infoPlistPath();
    if (!infoPlist) return std::nullopt;
    if (!info_) info_ = readStringDictionary(*infoPlist);
    if (!*info_) return std::nullopt;
    const auto found = (*info_)->find(key);
    if (found == (*info_)->end()) return std::nullopt;
    return found->second;
}

const StringDictionary* Bundle::table(const std::string& name) const {
    if (!isBundle_) return nullptr;
    auto found = tables_.find(name);
    if (found == tables_.end()) {
        std::optional<StringDictionary> loaded;
        const fs::path resources = bundlePath_ / "Contents" / "Resources";
        for (const auto& language : preferredLanguages()) {
            loaded = readStringsTable(resources / (language + ".lproj") / (name + ".strings"));
            if (loaded) break;
        }
        found = tables_.emplace(name, std::move(loaded)).first;
    }
    return found->second ? &*found->second : nullptr;
}

std::string Bundle::localizedStringForKey(const std::string& key, const std::string& value,
                                          const std::string& table) const {
    const StringDictionary* strings = this->table(table.empty() ? "Localizable" : table);
    if (strings) {
        const auto found = strings->find(key);
        if (found != strings->end()) return found->second;
    }
    return value.empty() ? key : value;
}

}  // namespace platform::foundation
