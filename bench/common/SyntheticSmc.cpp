#include "bench/common/SyntheticSmc.h"

#include <string>

#include "platform/smc/BuiltInImage.h"

namespace bench {

std::string numberedKey(char first, std::size_t index) {
    static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string key(4, first);
    for (int i = 3; i >= 1; --i, index /= 36) key[i] = kDigits[index % 36];
    return key;
}

platform::smc::SmcImage builtInImageListing(std::size_t keyCount) {
    platform::smc::SmcImage image = platform::smc::builtInImage();
    // "#KEY" is listed too, though no image entry holds it.
    for (std::size_t i = 0; image.keys.size() + 1 < keyCount; ++i)
        image.keys.push_back({numberedKey('Z', i), "ui8 ", {0}, 1, 0x80});
    return image;
}

}  // namespace bench
