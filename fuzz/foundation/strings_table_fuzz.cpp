#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/foundation/StringsTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::foundation::parseStringsTable(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
