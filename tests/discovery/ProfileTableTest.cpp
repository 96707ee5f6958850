#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include <gtest/gtest.h>

#include "DiscoveryFixture.h"
#include "platform/registry/PlatformNameSource.h"
#include "sensor-service/profiles/ProfileTable.h"
#include "sensor-service/profiles/VRLServerProfiles.h"

namespace vrl::testing {
namespace {

using platform::registry::FixedPlatformName;

std::vector<std::string> profileFor(std::optional<std::string> name) {
    const FixedPlatformName source(std::move(name));
    return VRLServerProfiles(source).systemProfile();
}

TEST(ProfileTable, ModelsAreTestedInOrderAndListsHaveTheirLengths) {
    const std::vector<std::string> models = {"iMac6,1",        "iMac13,2",       "iMac14,2",  "MacBookAir5,2",
                                             "MacBookPro8,1",  "MacBookPro10,1", "MacBookPro11,1", "MacPro5,1",
                                             "MacPro5,1_dual", "MacPro5,1_single"};
    EXPECT_EQ(ProfileTable::modelIdentifiers(), models);
    const std::vector<std::size_t> lengths = {10, 14, 50, 12, 13, 18, 14, 8, 8, 7};
    for (std::size_t i = 0; i < models.size(); ++i) {
        EXPECT_EQ(profileFor(models[i]).size(), lengths[i]) << models[i];
    }
    EXPECT_EQ(profileFor(std::nullopt).size(), 52u);
    EXPECT_EQ(profileFor("Unknown1,1"), ProfileTable::defaultRows());
}

TEST(ProfileTable, SampleRowsMatchTheirText) {
    const std::vector<std::string> defaults = ProfileTable::defaultRows();
    EXPECT_EQ(defaults[0], "TC:081D|CPU Core %X");
    EXPECT_EQ(defaults[9], "TA0p|Ambient");
    EXPECT_EQ(defaults[10], "TA0P|Ambient");
    EXPECT_EQ(defaults[26], "TM:091P|Memory Module %X, Proximity");
    EXPECT_EQ(defaults[36], "Tp:221H|Power Heatsink %X");
    EXPECT_EQ(defaults[41], "TG0P|GPU Proximity");
    EXPECT_EQ(defaults[51], "TZ:0F1C|Thermal Zone %X");
    EXPECT_EQ(profileFor("iMac6,1").back(), "Tp0P|Power Supply Heatsink");
    EXPECT_EQ(profileFor("iMac13,2")[12], "TM:041p|Memory Module %X Proximity");
    EXPECT_EQ(profileFor("MacBookAir5,2")[0], "TC0:C41|CPU Core %X");
    EXPECT_EQ(profileFor("MacBookPro8,1").back(), "TB:031T|Battery Unit %X");
    EXPECT_EQ(profileFor("MacBookPro11,1")[1], "TC:121C|CPU Core %X");
    EXPECT_EQ(profileFor("MacPro5,1_single")[4], "TM:141P|Memory Module Proximity");
    const std::vector<std::string> pro10 = profileFor("MacBookPro10,1");
    EXPECT_EQ(pro10[9], "TG0D|GPU Die");
    EXPECT_EQ(pro10[11], "TG0D|GPU Die");
    EXPECT_EQ(pro10.back(), "Th:041H|Heatpipe %X");
    for (const std::string& row : defaults) {
        EXPECT_EQ(std::count(row.begin(), row.end(), '|'), 1) << row;
        EXPECT_EQ(row.front(), 'T') << row;
    }
}

TEST(ProfileTable, IMac14_2IsTheDefaultListWithoutTwoUpperCaseRows) {
    std::vector<std::string> expected = ProfileTable::defaultRows();
    expected.erase(expected.begin() + 41);  // "TG0P|GPU Proximity"
    expected.erase(expected.begin() + 10);  // "TA0P|Ambient"
    const std::vector<std::string> imac = profileFor("iMac14,2");
    EXPECT_EQ(imac, expected);
    EXPECT_NE(std::find(imac.begin(), imac.end(), "TA0p|Ambient"), imac.end());
    EXPECT_NE(std::find(imac.begin(), imac.end(), "TG0p|GPU Proximity"), imac.end());
}

TEST(ProfileTable, OnlyExactNamesSelectAList) {
    EXPECT_EQ(profileFor("imac14,2").size(), 52u);
    EXPECT_EQ(profileFor("iMac14,1").size(), 52u);
    EXPECT_EQ(profileFor("MacBookPro11,2").size(), 52u);
    EXPECT_EQ(profileFor("MacPro5,1"), profileFor("MacPro5,1_dual"));
    EXPECT_NE(profileFor("MacPro5,1"), profileFor("MacPro5,1_single"));
}

TEST(PlatformName, CleaningDropsEverythingButPrintableAscii) {
    using namespace std::string_literals;
    EXPECT_EQ(VRLServerProfiles::cleanPlatformName("iMac14,2\0"s), "iMac14,2");
    EXPECT_EQ(VRLServerProfiles::cleanPlatformName("MacBookPro11,1\n"s), "MacBookPro11,1");
    EXPECT_EQ(VRLServerProfiles::cleanPlatformName("\tMac Pro\x7f\xc3\xa9~"s), "Mac Pro~");
    EXPECT_EQ(VRLServerProfiles::cleanPlatformName(std::nullopt), std::nullopt);
    EXPECT_EQ(profileFor("iMac14,2\0"s).size(), 50u);
}

TEST(PlatformName, DmiProductNameIsReadAsDelivered) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("product_name-" + std::to_string(::getpid()));
    std::ofstream(file) << "MacBookPro11,1\n";
    const platform::registry::DmiPlatformName dmi(file);
    EXPECT_EQ(dmi.modelIdentifier(), "MacBookPro11,1\n");
    EXPECT_EQ(VRLServerProfiles(dmi).getPlatformName(), "MacBookPro11,1");
    EXPECT_EQ(VRLServerProfiles(dmi).systemProfile().size(), 14u);
    std::filesystem::remove(file);
    EXPECT_EQ(dmi.modelIdentifier(), std::nullopt);
    EXPECT_EQ(platform::registry::DmiPlatformName(std::filesystem::temp_directory_path()).modelIdentifier(),
              std::nullopt);
}

TEST_F(DiscoveryTest, PlatformProfileSplitsEveryRowIntoKeyAndTitle) {
    const VRLServerObject& server = discover("empty.json");  // an iMac6,1
    const auto& profile = server.platformProfile();
    ASSERT_EQ(profile.size(), 10u);
    EXPECT_EQ(profile[1], std::make_pair(std::string("TC:041D"), std::string("CPU Core %X")));
    EXPECT_EQ(profile[9], std::make_pair(std::string("Tp0P"), std::string("Power Supply Heatsink")));
}

}  // namespace
}  // namespace vrl::testing
