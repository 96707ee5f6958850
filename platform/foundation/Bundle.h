#pragma once
// The stand-in for NSBundle. An executable at X.app/Contents/MacOS/name (or any
// X.*/Contents/MacOS/name) belongs to the bundle X.app, with Contents/Info.plist
// and Contents/Resources/<language>.lproj/<table>.strings. An executable outside
// a bundle has a bundle directory (its own folder) but no identifier and no
// tables. Only X.app is an application bundle.
//
// A Bundle reads its files lazily and caches them without a lock: one thread
// at a time per object. Reads never throw; a missing, oversized or malformed
// file counts as absent.
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/foundation/PropertyList.h"

namespace platform::foundation {

class Bundle {
public:
    // Any thread; reads no file (only resolves the path's links). Never fails:
    // an unresolvable path is taken as written.
    static Bundle forExecutable(const std::filesystem::path& executable);
    static Bundle mainBundle();  // the bundle of /proc/self/exe

    const std::filesystem::path& bundlePath() const { return bundlePath_; }
    // X.app/Contents/MacOS/name, with exactly that extension: what may claim
    // to be an application (X.bundle, X.xpc are bundles but not applications).
    bool isApplicationBundle() const;
    // Contents/Info.plist of a bundle; none outside one.
    std::optional<std::filesystem::path> infoPlistPath() const;
    // CFBundleIdentifier and other string entries of Info.plist; none when
    // outside a bundle or the file is missing, not a regular file of at most
    // kMaxInfoPlistBytes, or malformed.
    std::optional<std::string> bundleIdentifier() const;
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
