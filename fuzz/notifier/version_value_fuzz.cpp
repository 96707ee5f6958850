// The integer value of a version string.
#include <cstddef>
#include <cstdint>
#include <string>

#include "update-notifier/feed/VersionValue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qm::integerValue(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
