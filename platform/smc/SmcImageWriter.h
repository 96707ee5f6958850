#pragma once
// An SMC image written in the format SmcImage reads, so that what one Mac's
// SMC holds can be served again by the simulated SMC, on any machine.
#include <string>

#include "platform/foundation/Result.h"
#include "platform/smc/SmcImage.h"

namespace platform::smc {

// The image as JSON text, one key a line in the order given: "key", "type",
// "bytes" (lower-case hexadecimal), then "size" only where it differs from the
// number of bytes, "attributes" only where not 0 and "fail" where set; "model"
// where known and "unavailable" only where true. SmcImage::fromJson reads it
// back as the same image. Fails, naming the key, where a key or type is not
// four characters below 0x80 (the format holds them as JSON text, so a byte
// above would not read back as one character) or where a key holds more than
// 32 bytes. Pure; any thread.
Result<std::string> smcImageJson(const SmcImage& image);

}  // namespace platform::smc
