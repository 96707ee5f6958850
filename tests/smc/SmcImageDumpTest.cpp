// An SMC written as an image and read back: the writer's text reads as the
// image it was made from, and a dump of an SMC, served again, dumps the same.
#include <gtest/gtest.h>

#include "platform/smc/SimulatedSmc.h"
#include "platform/smc/SmcImageWriter.h"
#include "sensor-service/server/entry/ImageDump.h"
#include "tests/smc/SmcTestSupport.h"

namespace vrl::test {
namespace {

using platform::registry::FixedPlatformName;
using platform::smc::SimulatedSmc;
using platform::smc::SmcImage;
using platform::smc::smcImageJson;

std::string written(const SmcImage& image) {
    const platform::Result<std::string> text = smcImageJson(image);
    EXPECT_TRUE(text) << (text ? "" : text.error().message);
    return text.value_or("");
}

std::string dumped(SmcImage image, const std::optional<std::string>& dmi) {
    SimulatedSmc smc(std::move(image));
    const platform::Result<SmcImage> dump = readSmcImage(smc, FixedPlatformName(dmi));
    EXPECT_TRUE(dump) << (dump ? "" : dump.error().message);
    return dump ? written(*dump) : "";
}

// Blank and NUL padding, a size beside its bytes, attributes, both failures
// and a model that JSON must escape.
const std::string kEveryField =
    "{ \"model\": \"Mac \\\"Pro\\\"\",\n"
    "  \"keys\": [\n"
    "    { \"key\": \"#KEY\", \"type\": \"ui32\", \"bytes\": \"00000006\" },\n"
    "    { \"key\": \"F0Mx\", \"type\": \"fpe2\", \"bytes\": \"5dc0\", \"attributes\": 128 },\n"
    "    { \"key\": \"TC0P\", \"type\": \"sp78\", \"bytes\": \"2f80\", \"fail\": \"read\" },\n"
    "    { \"key\": \"TC1C\", \"type\": \"sp78\", \"bytes\": \"3000\", \"fail\": \"info\" },\n"
    "    { \"key\": \"XBIG\", \"type\": \"ch8*\", \"bytes\": \"41\", \"size\": 40 },\n"
    "    { \"key\": \"X\\u0000\\u0000Y\", \"type\": \"ui8 \", \"bytes\": \"\", \"size\": 1 } ] }\n";

TEST(SmcImageWriter, WritesWhatTheReaderReadsBackAndRefusesWhatItCannotHold) {
    EXPECT_EQ(written(imageFromJson(kEveryField)), kEveryField);
    EXPECT_EQ(written(imageFromJson(R"({ "unavailable": true, "keys": [] })")),
              "{ \"unavailable\": true,\n  \"keys\": [ ] }\n");

    SmcImage image;
    image.keys.push_back({"TC\xC3\xA9", "sp78", {0x30, 0x00}, 2});
    EXPECT_EQ(smcImageJson(image).error().message,
              "key \"TC\xC3\xA9\" of type \"sp78\": an SMC image holds four ASCII characters for each");
    image.keys = {{"TC0P", "sp7", {0x30, 0x00}, 2}};
    EXPECT_FALSE(smcImageJson(image));
    image.keys = {{"TC0P", "sp78", std::vector<uint8_t>(33), 33}};
    EXPECT_EQ(smcImageJson(image).error().message, "key \"TC0P\": more than 32 bytes");
}

TEST(ImageDump, EveryListedKeyAsTheDriverGivesItAndServedAgainTheSame) {
    const std::string dump = dumped(imageFromJson(kEveryField), std::string("MacBookPro11,1\n"));
    // The model as the service cleans it; a key whose information fails
    // keeps no type, one whose read fails no bytes; #KEY as the SMC counts.
    // A key with a NUL inside cannot be asked for by its name, by the
    // service either: its information fails.
    EXPECT_EQ(dump,
              "{ \"model\": \"MacBookPro11,1\",\n"
              "  \"keys\": [\n"
              "    { \"key\": \"#KEY\", \"type\": \"ui32\", \"bytes\": \"00000006\" },\n"
              "    { \"key\": \"F0Mx\", \"type\": \"fpe2\", \"bytes\": \"5dc0\", \"attributes\": 128 },\n"
              "    { \"key\": \"TC0P\", \"type\": \"sp78\", \"bytes\": \"0000\", \"fail\": \"read\" },\n"
              "    { \"key\": \"TC1C\", \"type\": \"    \", \"bytes\": \"\", \"fail\": \"info\" },\n"
              "    { \"key\": \"X\\u0000\\u0000Y\", \"type\": \"    \", \"bytes\": \"\", \"fail\": \"info\" },\n"
              "    { \"key\": \"XBIG\", \"type\": \"ch8*\", \"bytes\": "
              "\"4100000000000000000000000000000000000000000000000000000000000000\", \"size\": 40 } ] }\n");
    // Served by the simulated SMC, the dump dumps as itself.
    EXPECT_EQ(dumped(imageFromJson(dump), std::string("MacBookPro11,1")), dump);
    // No DMI name: no model in the image, as the live service has none.
    EXPECT_EQ(dumped(imageFromJson(R"({ "keys": [ { "key": "TA0P", "type": "sp78", "bytes": "2340" } ] })"),
                     std::nullopt)
                  .substr(0, 12),
              "{ \"keys\": [\n");
}

TEST(ImageDump, FailsWhereTheSmcCannotBeOpened) {
    SimulatedSmc smc(imageFromJson(R"({ "unavailable": true, "keys": [] })"));
    EXPECT_EQ(readSmcImage(smc, FixedPlatformName("MacBookPro11,1")).error().message,
              "cannot open the SMC (no applesmc driver, or key_at_index not writable)");
}

}  // namespace
}  // namespace vrl::test
