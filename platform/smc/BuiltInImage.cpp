#include "platform/smc/BuiltInImage.h"

#include <string>

namespace platform::smc {
namespace {

// Two fans, sixteen temperature sensors and some of the other keys such a
// machine carries. Temperatures are sp78 (47.5 degrees is 2f80).
constexpr const char* kImage = R"json({
  "model": "MacBookPro11,1",
  "keys": [
    { "key": "TA0P", "type": "sp78", "bytes": "2380", "attributes": 128 },
    { "key": "TB0P", "type": "sp78", "bytes": "1f40", "attributes": 128 },
    { "key": "TB1P", "type": "sp78", "bytes": "1ec0", "attributes": 128 },
    { "key": "TC0P", "type": "sp78", "bytes": "2f80", "attributes": 128 },
    { "key": "TC1C", "type": "sp78", "bytes": "3340", "attributes": 128 },
    { "key": "TC2C", "type": "sp78", "bytes": "3280", "attributes": 128 },
    { "key": "TCXC", "type": "sp78", "bytes": "3400", "attributes": 128 },
    { "key": "TCSA", "type": "sp78", "bytes": "2d60", "attributes": 128 },
    { "key": "TCGC", "type": "sp78", "bytes": "2e00", "attributes": 128 },
    { "key": "TPCD", "type": "sp78", "bytes": "3a00", "attributes": 128 },
    { "key": "TM0P", "type": "sp78", "bytes": "2a40", "attributes": 128 },
    { "key": "TG0D", "type": "sp78", "bytes": "2c00", "attributes": 128 },
    { "key": "TG0P", "type": "sp78", "bytes": "2b80", "attributes": 128 },
    { "key": "TW0P", "type": "sp78", "bytes": "2600", "attributes": 128 },
    { "key": "Th1H", "type": "sp78", "bytes": "2900", "attributes": 128 },
    { "key": "Ts0P", "type": "sp78", "bytes": "1e00", "attributes": 128 },
    { "key": "FNum", "type": "ui8 ", "bytes": "02", "attributes": 128 },
    { "key": "F0ID", "type": "{fds", "bytes": "00 00 00 00 4c 65 66 74 20 46 61 6e 00 00 00 00", "attributes": 128 },
    { "key": "F0Ac", "type": "fpe2", "bytes": "1f40", "attributes": 128 },
    { "key": "F0Mn", "type": "fpe2", "bytes": "1770", "attributes": 192 },
    { "key": "F0Mx", "type": "fpe2", "bytes": "5dc0", "attributes": 192 },
    { "key": "F1ID", "type": "{fds", "bytes": "01 00 00 00 52 69 67 68 74 20 46 61 6e 00 00 00", "attributes": 128 },
    { "key": "F1Ac", "type": "fpe2", "bytes": "1db0", "attributes": 128 },
    { "key": "F1Mn", "type": "fpe2", "bytes": "1770", "attributes": 192 },
    { "key": "F1Mx", "type": "fpe2", "bytes": "5dc0", "attributes": 192 },
    { "key": "BNum", "type": "ui8 ", "bytes": "01", "attributes": 128 },
    { "key": "ACID", "type": "ch8*", "bytes": "00 00 00 00 00 00 00 00", "attributes": 128 },
    { "key": "MSLD", "type": "flag", "bytes": "00", "attributes": 128 },
    { "key": "LSOF", "type": "flag", "bytes": "01", "attributes": 192 },
    { "key": "PSTR", "type": "flt ", "bytes": "00 00 70 41", "attributes": 128 },
    { "key": "BATP", "type": "flag", "bytes": "00", "attributes": 128 },
    { "key": "RPlt", "type": "ch8*", "bytes": "6a 34 34 00 00 00 00 00", "attributes": 128 }
  ]
})json";

}  // namespace

SmcImage builtInImage() {
    // The text above is fixed and well-formed; the built-in image tests hold it so.
    return SmcImage::fromJson(kImage, "built-in image").value_or(SmcImage{});
}

}  // namespace platform::smc
