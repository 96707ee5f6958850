#pragma once
// The host application's Info.plist, read for the feed address and the
// installed version, with a reason of its own for each way it can fail: an
// administrator must tell a missing file from a damaged one.
#include <filesystem>
#include <optional>
#include <string>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Result.h"

namespace qm {

// The string entries of the Info.plist at `file`; an error that says whether
// the file is missing, cannot be read (the cause), or is not a property list
// with a dictionary at its top. Any thread; never throws.
platform::Result<platform::foundation::StringDictionary> readHostInfo(const std::filesystem::path& file);

struct HostDetails {
    std::optional<std::string> feedAddress;       // "SUFeedURL"
    std::optional<std::string> installedVersion;  // "CFBundleVersion"
};

// What the notifier needs of the Info.plist at `file`. Fails with
// readHostInfo's error; a missing key is an absent field, not a failure.
// Any thread; never throws.
platform::Result<HostDetails> readHostDetails(const std::filesystem::path& file);

// Why the details read from `file` hold no feed address to check, in the words
// the log and the one-shot check both use. Any thread.
std::string missingFeedAddressReason(const std::filesystem::path& file);

// The host application's Info.plist for the notifier's own bundle, which the
// host ships as a login item; the file may be missing. Any thread; reads no
// file.
std::filesystem::path hostInfoPlistOf(const platform::foundation::Bundle& notifierBundle);

}  // namespace qm
