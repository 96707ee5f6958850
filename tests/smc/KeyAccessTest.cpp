#include <gtest/gtest.h>

#include <algorithm>

#include "platform/smc/BuiltInImage.h"
#include "sensor-service/smc/KeyAccess.h"
#include "sensor-service/smc/SmcHelper.h"
#include "tests/smc/SmcTestSupport.h"

namespace vrl::test {
namespace {

using platform::smc::kSmcCmdReadBytes;
using platform::smc::kSmcCmdReadIndex;
using platform::smc::kSmcCmdReadKeyInfo;

constexpr const char* kSmallImage = R"({ "keys": [
    { "key": "TC0P", "type": "sp78", "bytes": "2f80" },
    { "key": "TA0P", "type": "sp78", "bytes": "ff00" },
    { "key": "TBAD", "type": "sp87", "bytes": "2f80" },
    { "key": "TZER", "type": "sp78", "bytes": "", "size": 0 },
    { "key": "F0Mx", "type": "fpe2", "bytes": "5dc0", "attributes": 128 },
    { "key": "FINF", "type": "fpe2", "bytes": "3000", "fail": "info" },
    { "key": "FRED", "type": "fpe2", "bytes": "3000", "fail": "read" },
    { "key": "XBIG", "type": "ch8*", "bytes": "41", "size": 40 } ] })";

class KeyAccessTest : public FreshSmcTest {
protected:
    void SetUp() override {
        useImage(kSmallImage);
        ASSERT_EQ(smc->smcOpen(), 0);
        driver->resetCounts();
    }
};

TEST(KeyCodes, FoldAndReverse) {
    EXPECT_EQ(smcKeyCodeFromString("#KEY"), 0x234B4559u);
    EXPECT_EQ(smcKeyCodeFromString("sp78"), 0x73703738u);
    char text[5];
    smcKeyCodeToString(0x234B4559u, text);
    EXPECT_STREQ(text, "#KEY");
    smcKeyCodeToString(0x66007420u, text);
    EXPECT_STREQ(text, "f");
}

TEST_F(KeyAccessTest, CachedReadsCostOneCallAfterTheFirst) {
    SmcValue value{};
    ASSERT_EQ(smc->smcReadKey("TC0P", value), 0);
    EXPECT_STREQ(value.key, "TC0P");
    EXPECT_STREQ(value.dataType, "sp78");
    EXPECT_EQ(value.dataSize, 2u);
    EXPECT_EQ(value.bytes[0], 0x2F);
    EXPECT_EQ(driver->totalCalls(), 2u);
    ASSERT_EQ(smc->smcReadKeyCode("TC0P", value), 0);
    EXPECT_EQ(driver->callCount(kSmcCmdReadKeyInfo), 1u);
    EXPECT_EQ(driver->callCount(kSmcCmdReadBytes), 2u);
    EXPECT_EQ(smc->keyInfoCacheCount(), 1);
}

TEST_F(KeyAccessTest, UncachedReadsAlwaysCostTwoCallsAndKeepFourCharacters) {
    SmcValue value{};
    for (int i = 0; i < 3; ++i) ASSERT_EQ(smc->smcReadKeyUncached("F0MxZZ", value), 0);
    EXPECT_STREQ(value.key, "F0Mx");
    EXPECT_EQ(value.bytes[0], 0x5D);
    EXPECT_EQ(driver->callCount(kSmcCmdReadKeyInfo), 3u);
    EXPECT_EQ(driver->callCount(kSmcCmdReadBytes), 3u);
    EXPECT_EQ(smc->keyInfoCacheCount(), 0);
}

TEST_F(KeyAccessTest, FailingStepsAndMissingKeys) {
    SmcValue value{};
    EXPECT_NE(smc->smcReadKey("FINF", value), 0);
    EXPECT_EQ(value.dataSize, 0u);
    EXPECT_NE(smc->smcReadKey("NONE", value), 0);
    EXPECT_EQ(smc->keyInfoCacheCount(), 0);  // failures are not cached
    EXPECT_NE(smc->smcReadKey("FRED", value), 0);
    EXPECT_EQ(value.dataSize, 2u);
    EXPECT_STREQ(value.dataType, "fpe2");
    EXPECT_EQ(value.bytes[0], 0);
    EXPECT_EQ(valueForKey(*smc, "FINF"), std::nullopt);
    EXPECT_EQ(valueForKey(*smc, "FRED"), "0.00");  // size and type survive the failed byte read
    EXPECT_TRUE(isNil(SmcHelper::readNumericKey(*smc, "FRED")));
    EXPECT_TRUE(isNil(SmcHelper::readNumericKey(*smc, "NONE")));
    auto limit = SmcHelper::readNumericKey(*smc, "F0Mx");
    ASSERT_TRUE(std::holds_alternative<float>(limit));
    EXPECT_FLOAT_EQ(std::get<float>(limit), 6000.0f);
}

TEST_F(KeyAccessTest, TemperatureRead) {
    EXPECT_DOUBLE_EQ(smc->smcGetTemperature("TC0P"), 47.5);
    EXPECT_DOUBLE_EQ(smc->smcGetTemperature("TA0P"), -1.0);
    EXPECT_DOUBLE_EQ(smc->smcGetTemperature("TBAD"), -1.0);  // not sp78
    EXPECT_DOUBLE_EQ(smc->smcGetTemperature("TZER"), -1.0);  // size 0
    EXPECT_DOUBLE_EQ(smc->smcGetTemperature("NONE"), -1.0);
    driver->replaceImage(imageFromJson(R"({"keys":[{"key":"TC9P","type":"sp78","bytes":"2f7f"}]})"));
    EXPECT_DOUBLE_EQ(smc->smcGetTemperature("TC9P"), 47.484375);
}

TEST_F(KeyAccessTest, OversizedValueKeepsItsSizeButTextStopsAt32Bytes) {
    SmcValue value{};
    ASSERT_EQ(smc->smcReadKeyUncached("XBIG", value), 0);
    EXPECT_EQ(value.dataSize, 40u);
    EXPECT_EQ(valueForKey(*smc, "XBIG"), "A");
}

TEST_F(KeyAccessTest, ReadsAfterCloseFailExceptCachedKeyInfo) {
    SmcValue value{};
    ASSERT_EQ(smc->smcReadKey("TC0P", value), 0);
    EXPECT_EQ(smc->smcClose(), 0);
    SmcKeyInfo info{};
    EXPECT_EQ(smc->smcGetKeyInfo(smcKeyCodeFromString("TC0P"), info), 0);
    EXPECT_EQ(info.dataSize, 2u);
    EXPECT_NE(smc->smcReadKey("TC0P", value), 0);
    EXPECT_EQ(value.dataSize, 2u);  // failed at the byte read
    EXPECT_NE(smc->smcReadKeyUncached("F0Mx", value), 0);
    EXPECT_DOUBLE_EQ(smc->smcGetTemperature("TC0P"), -1.0);
    EXPECT_TRUE(getSmcKeysFromConnection(*smc).empty());
}

TEST_F(KeyAccessTest, CacheHoldsAtMost100Keys) {
    std::string json = R"({"keys":[)";
    for (int i = 0; i < 101; ++i) {
        char key[5];
        std::snprintf(key, sizeof key, "K%03d", i);
        json += std::string(i ? "," : "") + R"({"key":")" + key + R"(","type":"ui8 ","bytes":"01"})";
    }
    driver->replaceImage(imageFromJson(json + "]}"));
    SmcValue value{};
    for (int i = 0; i < 101; ++i) {
        char key[5];
        std::snprintf(key, sizeof key, "K%03d", i);
        ASSERT_EQ(smc->smcReadKey(key, value), 0) << key;
    }
    EXPECT_EQ(smc->keyInfoCacheCount(), kSmcKeyInfoCacheCapacity);
    driver->resetCounts();
    ASSERT_EQ(smc->smcReadKey("K099", value), 0);
    EXPECT_EQ(driver->callCount(kSmcCmdReadKeyInfo), 0u);
    ASSERT_EQ(smc->smcReadKey("K100", value), 0);
    ASSERT_EQ(smc->smcReadKey("K100", value), 0);
    EXPECT_EQ(driver->callCount(kSmcCmdReadKeyInfo), 2u);
    EXPECT_EQ(smc->keyInfoCacheCount(), kSmcKeyInfoCacheCapacity);
}

TEST_F(KeyAccessTest, ListingFollowsKeyCodeOrderAndSynthesisedCount) {
    auto keys = getSmcKeysFromConnection(*smc);
    ASSERT_EQ(keys.size(), 9u);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(keys.front(), "#KEY");
    EXPECT_EQ(driver->callCount(kSmcCmdReadIndex), 9u);
}

TEST_F(KeyAccessTest, ListingTrustsAWrongCountOnlyUpTo65536Indexes) {
    driver->replaceImage(imageFromJson(R"({"keys":[{"key":"#KEY","type":"ui32","bytes":"00000005"},
                                                {"key":"AAAA","type":"ui8 ","bytes":"01"}]})"));
    EXPECT_EQ(getSmcKeysFromConnection(*smc), (std::vector<std::string>{"#KEY", "AAAA"}));
    EXPECT_EQ(driver->callCount(kSmcCmdReadIndex), 5u);

    driver->replaceImage(imageFromJson(R"({"keys":[{"key":"#KEY","type":"ui32","bytes":"ffffffff"}]})"));
    smc = std::make_unique<Smc>(*driver);  // a fresh key-info cache
    ASSERT_EQ(smc->smcOpen(), 0);
    driver->resetCounts();
    EXPECT_EQ(getSmcKeysFromConnection(*smc).size(), 1u);
    EXPECT_EQ(driver->callCount(kSmcCmdReadIndex), kMaxListedKeys);
}

TEST_F(KeyAccessTest, ListingWithoutUsableCountIsEmpty) {
    driver->replaceImage(imageFromJson(R"({"keys":[{"key":"#KEY","type":"flt ","bytes":"00000040"}]})"));
    EXPECT_TRUE(getSmcKeysFromConnection(*smc).empty());
    smc = std::make_unique<Smc>(*driver);  // a fresh key-info cache
    driver->replaceImage(imageFromJson(R"({"keys":[{"key":"#KEY","type":"ui32","bytes":"00000000"}]})"));
    ASSERT_EQ(smc->smcOpen(), 0);
    driver->resetCounts();
    EXPECT_TRUE(getSmcKeysFromConnection(*smc).empty());
    EXPECT_EQ(driver->callCount(kSmcCmdReadIndex), 0u);
}

TEST_F(KeyAccessTest, TwoSmcObjectsShareNeitherConnectionNorCache) {
    SmcValue value{};
    ASSERT_EQ(smc->smcReadKey("TC0P", value), 0);
    Smc other(*driver);
    ASSERT_EQ(other.smcOpen(), 0);
    EXPECT_EQ(other.keyInfoCacheCount(), 0);
    driver->resetCounts();
    ASSERT_EQ(other.smcReadKey("TC0P", value), 0);
    EXPECT_EQ(driver->callCount(kSmcCmdReadKeyInfo), 1u) << "another object's cached key is asked for again";
    EXPECT_EQ(other.smcClose(), 0);
    EXPECT_NE(other.smcReadKey("TC0P", value), 0);
    EXPECT_EQ(smc->smcReadKey("TC0P", value), 0) << "closing one connection leaves the other open";
}

TEST(SmcConnection, UnavailableSmcFailsToOpenAndEveryReadFails) {
    platform::smc::SimulatedSmc driver(imageFromJson(R"({"unavailable":true,"keys":[]})"));
    Smc smc(driver);
    EXPECT_EQ(smc.smcOpen(), 1);
    SmcValue value{};
    EXPECT_NE(smc.smcReadKey("#KEY", value), 0);
    EXPECT_TRUE(getSmcKeysFromConnection(smc).empty());
}

TEST(SmcConnection, BuiltInImageServesTemperaturesFansAndTheKeyList) {
    platform::smc::SimulatedSmc driver(platform::smc::builtInImage());
    Smc smc(driver);
    ASSERT_EQ(smc.smcOpen(), 0);
    EXPECT_EQ(driver.model(), "MacBookPro11,1");
    EXPECT_DOUBLE_EQ(smc.smcGetTemperature("TC0P"), 47.5);
    EXPECT_EQ(valueForKey(smc, "F0Ac"), "2000.00");
    EXPECT_EQ(valueForKey(smc, "LSOF"), "TRUE");
    auto keys = getSmcKeysFromConnection(smc);
    EXPECT_EQ(keys.size(), driver.image().keys.size() + 1);
    int temperatures = 0;
    for (const auto& key : keys) temperatures += key[0] == 'T' && smc.smcGetTemperature(key.c_str()) > 0;
    EXPECT_GE(temperatures, 12);
    EXPECT_EQ(smc.smcClose(), 0);
}

}  // namespace
}  // namespace vrl::test
