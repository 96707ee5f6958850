#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/foundation/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::foundation::parseStringDictionary(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
