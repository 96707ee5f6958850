#pragma once
// The stand-in for NSBundle. An executable at X.app/Contents/MacOS/name (or any
// X.*/Contents/MacOS/name) belongs to the bundle X.app, with Contents/Info.plist
// and Contents/Resources/<language>.lproj/<table>.strings. An executable outside
// a bundle has a bundle directory (its own folder) but no identifier and no
// tables.
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/foundation/PropertyList.h"

namespace platform::foundation {

class Bundle {
public:
    static Bundle forExecutable(const std::filesystem::path& executable);
    static Bundle mainBundle();  // the bundle of /proc/self/exe

    const std::filesystem::path& bundlePath() const { return bundlePath_; }
    bool isApplicationBundle() const { return isBundle_; }
    std::optional<std::string> bundleIdentifier() const;  // CFBundleIdentifier
    std::optional<std::string> objectForInfoDictionaryKey(const std::string& key) const;

    // The translation of key in table (empty table name: "Localizable"), in the
    // user's language (LC_ALL, LC_MESSAGES, LANG; then "en", then "Base").
    // A missing table or key gives value when it is not empty, else the key.
    std::string localizedStringForKey(const std::string& key, const std::string& value,
                                      const std::string& table) const;

private:
    Bundle(std::filesystem::path bundlePath, bool isBundle);
    const StringDictionary* table(const std::string& name) const;

    std::filesystem::path bundlePath_;
    bool isBundle_ = false;
    mutable std::optional<std::optional<StringDictionary>> info_;
    mutable std::map<std::string, std::optional<StringDictionary>> tables_;
};

}  // namespace platform::foundation
