#include "sensor-service/server/entry/ImageDump.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iostream>

#include "platform/smc/AppleSmcAttributeFiles.h"
#include "platform/smc/AppleSmcDriver.h"
#include "platform/smc/SmcImageWriter.h"
#include "platform/smc/SmcStatusCodes.h"
#include "sensor-service/profiles/VRLServerProfiles.h"
#include "sensor-service/smc/KeyAccess.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {
namespace {

using platform::smc::SmcImageKey;
using platform::smc::SmcKeyFailure;

constexpr std::size_t kMaxKeptBytes = sizeof(SmcValue::bytes);

// The four bytes of a type code as the SMC sends them, zero bytes included.
std::string typeName(uint32_t code) {
    std::string name(4, '\0');
    for (int i = 0; i < 4; ++i) name[i] = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
    return name;
}

platform::Result<SmcImageKey> readKey(Smc& smc, const std::string& name) {
    SmcImageKey key;
    key.key = name;
    SmcKeyInfo info{};
    const SmcStatus described = smc.smcGetKeyInfo(smcKeyCodeFromString(name.c_str()), info);
    if (described == platform::smc::kSmcNoDevice) return platform::fail("the SMC went away while it was read");
    if (described != 0) {
        key.type = "    ";
        key.fail = SmcKeyFailure::info;
        return key;
    }
    key.type = typeName(info.dataType);
    key.size = info.dataSize;
    key.attributes = info.dataAttributes;
    SmcValue value{};
    const SmcStatus read = smc.smcReadKeyUncached(name.c_str(), value);
    if (read == platform::smc::kSmcNoDevice) return platform::fail("the SMC went away while it was read");
    if (read != 0) key.fail = SmcKeyFailure::read;
    key.bytes.assign(value.bytes, value.bytes + std::min<std::size_t>(info.dataSize, kMaxKeptBytes));
    return key;
}

platform::Result<void> writeImage(const std::string& text, const std::string& file) {
    if (file.empty()) {
        std::cout << text << std::flush;
        if (!std::cout) return platform::fail("cannot write the image to standard output");
        return {};
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) return platform::fail("cannot write the image to " + file);
    return {};
}

}  // namespace

platform::Result<platform::smc::SmcImage> readSmcImage(platform::smc::SmcDriver& driver,
                                                       const platform::registry::PlatformNameSource& platformName) {
    Smc smc(driver);
    if (smc.smcOpen() != 0)
        return platform::fail("cannot open the SMC (no applesmc driver, or key_at_index not writable)");
    const std::vector<std::string> names = getSmcKeysFromConnection(smc);
    platform::smc::SmcImage image;
    image.model = VRLServerProfiles::cleanPlatformName(platformName.modelIdentifier());
    for (const std::string& name : names) {
        platform::Result<SmcImageKey> key = readKey(smc, name);
        if (!key) {
            smc.smcClose();
            return platform::fail(key.error().message);
        }
        image.keys.push_back(std::move(*key));
    }
    smc.smcClose();
    if (image.keys.empty()) return platform::fail("the SMC lists no keys (\"#KEY\" cannot be read)");
    return image;
}

int dumpSmcImage(const std::string& file, const std::filesystem::path& appleSmcDirectory) {
    if (::geteuid() != 0) {
        std::cerr << "vrlsensord: --dump-image must run as root: it selects SMC keys through "
                  << (appleSmcDirectory / "key_at_index").string() << " (try: sudo vrlsensord --dump-image)\n";
        return kDumpNotRoot;
    }
    platform::smc::AppleSmcDriver driver(std::make_unique<platform::smc::AppleSmcAttributeFiles>(appleSmcDirectory));
    const platform::registry::DmiPlatformName dmi;
    const auto toFile = [&file](const std::string& text) { return writeImage(text, file); };
    const platform::Result<void> written =
        readSmcImage(driver, dmi).and_then(platform::smc::smcImageJson).and_then(toFile);
    if (written) return 0;
    std::cerr << "vrlsensord: --dump-image: " << written.error().message << " (through the applesmc driver at "
              << appleSmcDirectory.string() << ")\n";
    return kDumpFailed;
}

}  // namespace vrl
