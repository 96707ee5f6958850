#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string_view>

#include <gtest/gtest.h>

#include "DiscoveryFixture.h"
#include "platform/registry/PlatformNameSource.h"
#include "sensor-service/discovery/KeyPattern.h"
#include "sensor-service/profiles/ProfileTable.h"
#include "sensor-service/profiles/VRLServerProfiles.h"

namespace vrl::testing {
namespace {

using platform::registry::FixedPlatformName;

std::vector<std::string> profileFor(std::optional<std::string> name) {
    const FixedPlatformName source(std::move(name));
    return VRLServerProfiles(source).systemProfile();
}

// Every list the table can give: each model's and the default one.
std::vector<std::vector<std::string>> everyList() {
    std::vector<std::vector<std::string>> lists{ProfileTable::defaultRows()};
    for (const std::string& model : ProfileTable::modelIdentifiers()) lists.push_back(profileFor(model));
    return lists;
}

std::size_t occurrences(std::string_view text, std::string_view part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// What discovery relies on: one "|" a row, a key field that is a four-character
// key or a pattern yielding distinct four-character keys, and a title with at
// most one "%X" (only where a pattern numbers it) and no other "%".
TEST(ProfileTable, EveryRowIsAKeyOrPatternWithAUsableTitle) {
    for (const std::vector<std::string>& list : everyList()) {
        EXPECT_FALSE(list.empty());
        for (const std::string& row : list) {
            ASSERT_EQ(std::count(row.begin(), row.end(), '|'), 1) << row;
            const std::string key = row.substr(0, row.find('|'));
            const std::string title = row.substr(row.find('|') + 1);
            EXPECT_EQ(key.front(), 'T') << row;
            EXPECT_FALSE(title.empty()) << row;
            EXPECT_LE(occurrences(title, "%X"), 1u) << row;
            EXPECT_EQ(occurrences(title, "%"), occurrences(title, "%X")) << row;
            if (!KeyPattern::isPattern(key)) {
                EXPECT_EQ(key.size(), 4u) << row;
                EXPECT_EQ(occurrences(title, "%"), 0u) << row;
                continue;
            }
            const std::optional<KeyPattern> pattern = KeyPattern::parse(key);
            ASSERT_TRUE(pattern) << row;
            EXPECT_GT(pattern->keyCount(), 0u) << row;
            std::set<std::string> keys;
            for (unsigned i = 0; i < pattern->keyCount(); ++i) keys.insert(pattern->keyAt(i));
            EXPECT_EQ(keys.size(), pattern->keyCount()) << row;
            for (const std::string& expanded : keys) EXPECT_EQ(expanded.size(), 4u) << row;
        }
    }
}

TEST(ProfileTable, EachModelHasItsOwnListAndEveryOtherNameTheDefault) {
    const std::vector<std::string> models = ProfileTable::modelIdentifiers();
    EXPECT_EQ(std::set<std::string>(models.begin(), models.end()).size(), models.size()) << "no model twice";
    const std::vector<std::string> defaults = ProfileTable::defaultRows();
    for (const std::string& model : models) EXPECT_NE(profileFor(model), defaults) << model;
    // Only exact names select a list: no family, prefix or case match.
    for (const char* other : {"Unknown1,1", "imac14,2", "iMac14,1", "iMac14,3", "MacBookPro11,2", "MacPro5", ""})
        EXPECT_EQ(profileFor(other), defaults) << other;
    EXPECT_EQ(profileFor(std::nullopt), defaults);
    EXPECT_EQ(profileFor("MacPro5,1"), profileFor("MacPro5,1_dual"));
    EXPECT_NE(profileFor("MacPro5,1"), profileFor("MacPro5,1_single"));
    // A list may name a row twice; discovery keeps both.
    const std::vector<std::string> pro10 = profileFor("MacBookPro10,1");
    EXPECT_EQ(std::count(pro10.begin(), pro10.end(), "TG0D|GPU Die"), 2);
}

TEST(ProfileTable, IMac14_2IsTheDefaultListWithoutTwoUpperCaseRows) {
    std::vector<std::string> expected = ProfileTable::defaultRows();
    std::erase(expected, "TG0P|GPU Proximity");
    std::erase(expected, "TA0P|Ambient");
    EXPECT_EQ(expected.size(), ProfileTable::defaultRows().size() - 2);
    const std::vector<std::string> imac = profileFor("iMac14,2");
    EXPECT_EQ(imac, expected);
    EXPECT_NE(std::find(imac.begin(), imac.end(), "TA0p|Ambient"), imac.end());
    EXPECT_NE(std::find(imac.begin(), imac.end(), "TG0p|GPU Proximity"), imac.end());
}

TEST(PlatformName, CleaningDropsEverythingButPrintableAscii) {
    using namespace std::string_literals;
    EXPECT_EQ(VRLServerProfiles::cleanPlatformName("iMac14,2\0"s), "iMac14,2");
    EXPECT_EQ(VRLServerProfiles::cleanPlatformName("MacBookPro11,1\n"s), "MacBookPro11,1");
    EXPECT_EQ(VRLServerProfiles::cleanPlatformName("\tMac Pro\x7f\xc3\xa9~"s), "Mac Pro~");
    EXPECT_EQ(VRLServerProfiles::cleanPlatformName(std::nullopt), std::nullopt);
    EXPECT_EQ(profileFor("iMac14,2\0"s), profileFor("iMac14,2"));
}

TEST(PlatformName, DmiProductNameIsReadAsDelivered) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("product_name-" + std::to_string(::getpid()));
    std::ofstream(file) << "MacBookPro11,1\n";
    const platform::registry::DmiPlatformName dmi(file);
    EXPECT_EQ(dmi.modelIdentifier(), "MacBookPro11,1\n");
    EXPECT_EQ(VRLServerProfiles(dmi).getPlatformName(), "MacBookPro11,1");
    EXPECT_EQ(VRLServerProfiles(dmi).systemProfile(), profileFor("MacBookPro11,1"));
    std::filesystem::remove(file);
    EXPECT_EQ(dmi.modelIdentifier(), std::nullopt);
    EXPECT_EQ(platform::registry::DmiPlatformName(std::filesystem::temp_directory_path()).modelIdentifier(),
              std::nullopt);
}

TEST_F(DiscoveryTest, PlatformProfileSplitsEveryRowIntoKeyAndTitle) {
    const VRLServerObject& server = discover("empty.json");  // an iMac6,1
    const auto& profile = server.TEST_platformProfile();
    ASSERT_EQ(profile.size(), profileFor("iMac6,1").size());
    EXPECT_EQ(profile[1], std::make_pair(std::string("TC:041D"), std::string("CPU Core %X")));
    EXPECT_EQ(profile[9], std::make_pair(std::string("Tp0P"), std::string("Power Supply Heatsink")));
}

}  // namespace
}  // namespace vrl::testing
