// The SMC image loader, and a simulated SMC answering a listing of what it loaded.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/smc/SimulatedSmc.h"
#include "platform/smc/SmcImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto image = platform::smc::SmcImage::fromJson(std::string_view(reinterpret_cast<const char*>(data), size),
                                                   "fuzz.json");
    if (!image) return 0;
    platform::smc::SimulatedSmc smc(std::move(*image));
    uint32_t handle = 0;
    if (smc.open(handle) != 0) return 0;
    for (uint32_t index = 0; index < 64; ++index) {
        platform::smc::SmcKeyData in{}, out{};
        in.command = platform::smc::kSmcCmdReadIndex;
        in.index = index;
        if (smc.callStructMethod(handle, platform::smc::kSmcSelector, in, out) != 0) break;
        in = {};
        in.key = out.key;
        in.command = platform::smc::kSmcCmdReadKeyInfo;
        if (smc.callStructMethod(handle, platform::smc::kSmcSelector, in, out) != 0) continue;
        in.command = platform::smc::kSmcCmdReadBytes;
        in.dataSize = out.dataSize;
        smc.callStructMethod(handle, platform::smc::kSmcSelector, in, out);
    }
    smc.close(handle);
    return 0;
}
