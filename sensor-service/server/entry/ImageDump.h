#pragma once
// vrlsensord --dump-image: the SMC of the Mac it runs on, written as an SMC
// image, for a report about a Mac whose sensors the profile table does not
// know. The image read back with --smc-image gives the model data the live
// driver gives.
//
// It reads through the driver the service uses, and so selects, reads and
// confirms each key as the service does: with the service running, each side
// sees its own selection moved at worst, retries once, and never reads the
// other's key. Refusing while the service runs would cost the user their
// readings for no safety gained.
#include <filesystem>
#include <string>

#include "platform/foundation/Result.h"
#include "platform/registry/PlatformNameSource.h"
#include "platform/smc/SmcDriver.h"
#include "platform/smc/SmcImage.h"

namespace vrl {

// Every key the SMC behind `driver` lists ("#KEY" and the key at each index,
// as discovery lists them), in that order, with its type, size and bytes as
// the driver gives them (at most 32 bytes are kept) and its attributes; a key
// whose information call fails is marked "fail": "info" with a blank type
// and no bytes, one whose byte read fails "fail": "read" with zero bytes.
// The model is the platform name cleaned as the service cleans it. Fails
// where the SMC cannot be opened, lists no key, or goes away during the read.
// On one thread.
platform::Result<platform::smc::SmcImage> readSmcImage(platform::smc::SmcDriver& driver,
                                                       const platform::registry::PlatformNameSource& platformName);

// The exit statuses of --dump-image beside 0 (written).
inline constexpr int kDumpFailed = 1;   // the SMC could not be read or the image not written
inline constexpr int kDumpNotRoot = 3;  // not run as root

// The whole option: refuses unless run as root; reads the applesmc driver at
// appleSmcDirectory and the DMI model name; writes the image to `file`, or to
// standard output where `file` is empty. Says what failed on standard error
// and returns the exit status.
int dumpSmcImage(const std::string& file, const std::filesystem::path& appleSmcDirectory);

}  // namespace vrl
