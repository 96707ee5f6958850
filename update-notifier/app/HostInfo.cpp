#include "update-notifier/app/HostInfo.h"

#include <cerrno>

#include "platform/foundation/SmallFile.h"

namespace qm {
namespace {

std::optional<std::string> valueFor(const platform::foundation::StringDictionary& info, const std::string& key) {
    const auto found = info.find(key);
    if (found == info.end()) return std::nullopt;
    return found->second;
}

}  // namespace

platform::Result<platform::foundation::StringDictionary> readHostInfo(const std::filesystem::path& file) {
    const auto read = platform::foundation::readSmallFile(file, platform::foundation::kMaxInfoPlistBytes);
    if (!read && read.error().errnum == ENOENT) return platform::fail("no Info.plist at " + file.string(), ENOENT);
    if (!read) return platform::fail("cannot read the host's Info.plist: " + read.error().message, read.error().errnum);
    auto info = platform::foundation::parseStringDictionary(read->bytes);
    if (!info) return platform::fail(file.string() + " is not a property list with a dictionary at its top");
    return std::move(*info);
}

// Host.app/Contents/Library/LoginItems/notifier.app -> Host.app/Contents.
std::filesystem::path hostInfoPlistOf(const platform::foundation::Bundle& notifierBundle) {
    auto path = notifierBundle.bundlePath().lexically_normal();
    if (!path.has_filename()) path = path.parent_path();
    for (int level = 0; level < 3; ++level) path = path.parent_path();
    return path / "Info.plist";
}

platform::Result<HostDetails> readHostDetails(const std::filesystem::path& file) {
    const auto info = readHostInfo(file);
    if (!info) return tl::unexpected(info.error());
    return HostDetails{valueFor(*info, "SUFeedURL"), valueFor(*info, "CFBundleVersion")};
}

std::string missingFeedAddressReason(const std::filesystem::path& file) {
    return "no \"SUFeedURL\" in " + file.string();
}

}  // namespace qm
