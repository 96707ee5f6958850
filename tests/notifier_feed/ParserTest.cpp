#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update-notifier/feed/QMXMLParser.h"
#include "update-notifier/feed/VersionValue.h"

namespace {

using qm::QMXMLParser;
using qm::integerValue;

std::string itemOffering(const std::string& version) {
    return "<item><title>Release " + version + "</title><enclosure url=\"https://example.com/p.zip\" "
           "sparkle:version=\"" + version + "\" sparkle:shortVersionString=\"9999\"/></item>";
}

std::string feed(const std::vector<std::string>& versions) {
    std::string items;
    for (const auto& version : versions) items += itemOffering(version);
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
           "<channel><title>Feed</title>" + items + "</channel></rss>";
}

std::optional<std::string> greatestOf(const std::vector<std::string>& versions) {
    QMXMLParser parser;
    parser.setXmlcontent(feed(versions));
    return parser.currentVersionAvailable();
}

TEST(VersionValue, LeadingIntegerLikeIntegerValue) {
    EXPECT_EQ(integerValue(std::string("245")), 245);
    EXPECT_EQ(integerValue(std::string("1.4.2")), 1);
    EXPECT_EQ(integerValue(std::string("2.0b3")), 2);
    EXPECT_EQ(integerValue(std::string("beta7")), 0);
    EXPECT_EQ(integerValue(std::string("  \t+12x")), 12);
    EXPECT_EQ(integerValue(std::string("-3")), -3);
    EXPECT_EQ(integerValue(std::string("")), 0);
    EXPECT_EQ(integerValue(std::nullopt), 0);
}

TEST(VersionValue, DigitsBeyondSixtyFourBitsSaturate) {
    EXPECT_EQ(integerValue(std::string("9223372036854775807")), INT64_MAX);
    EXPECT_EQ(integerValue(std::string("9223372036854775808")), INT64_MAX);
    EXPECT_EQ(integerValue(std::string("123456789012345678901234567890")), INT64_MAX);
    EXPECT_EQ(integerValue(std::string("-9223372036854775808")), INT64_MIN);
    EXPECT_EQ(integerValue(std::string("-99999999999999999999")), INT64_MIN);
}

TEST(ParserVersionOrder, GreatestIntegerWinsWhateverTheOrder) {
    EXPECT_EQ(greatestOf({"120", "135", "128"}), "135");
    EXPECT_EQ(greatestOf({"128", "135", "120"}), "135");
    // Equal integer values keep the first one seen.
    EXPECT_EQ(greatestOf({"2", "2.0"}), "2");
    EXPECT_EQ(greatestOf({"1.9", "2.0"}), "2.0");
    // Nothing of value 0 replaces an absent version.
    EXPECT_EQ(greatestOf({"beta", "0"}), std::nullopt);
    EXPECT_EQ(greatestOf({"5", "99999999999999999999999"}), "99999999999999999999999");
}

TEST(ParserDecision, ArmsOnFirstSightingAndAnswersYesFromTheSecond) {
    QMXMLParser parser;
    parser.setCurrentInstalledVersion("130");
    parser.setXmlcontent(feed({"135"}));
    EXPECT_FALSE(parser.isNewVersionAvailable());
    parser.setXmlcontent(feed({"135"}));
    EXPECT_TRUE(parser.isNewVersionAvailable());
    parser.setXmlcontent(feed({"135"}));
    EXPECT_TRUE(parser.isNewVersionAvailable());
    // A feed that loses its newest item does not lower the stored version.
    parser.setXmlcontent(feed({"125"}));
    EXPECT_EQ(parser.currentVersionAvailable(), "135");
    EXPECT_TRUE(parser.isNewVersionAvailable());
}

TEST(ParserDecision, SameOrOlderVersionNeverArms) {
    QMXMLParser parser;
    parser.setCurrentInstalledVersion("135");
    parser.setXmlcontent(feed({"135"}));
    parser.setXmlcontent(feed({"135"}));
    EXPECT_FALSE(parser.isNewVersionAvailable());
    // Still unarmed: the first newer sighting answers no.
    parser.setXmlcontent(feed({"136"}));
    EXPECT_FALSE(parser.isNewVersionAvailable());

    QMXMLParser noInstalled;
    noInstalled.setXmlcontent(feed({"1"}));
    noInstalled.setXmlcontent(feed({"1"}));
    EXPECT_TRUE(noInstalled.isNewVersionAvailable());
}

TEST(ParserEnclosures, OnlySparklePrefixAndTheLastEnclosureCount) {
    const std::string otherPrefix =
        "<rss xmlns:sv=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
        "<item><enclosure sv:version=\"200\"/><sparkle:version>300</sparkle:version></item></channel></rss>";
    QMXMLParser parser;
    parser.setXmlcontent(otherPrefix);
    EXPECT_EQ(parser.currentVersionAvailable(), std::nullopt);

    parser.setXmlcontent("<rss><channel><item><enclosure sparkle:version=\"140\"/>"
                         "<enclosure sparkle:version=\"138\"/></item></channel></rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "138");
}

TEST(ParserEnclosures, ItemWithoutEnclosureReusesTheEarlierOne) {
    // The latest node of a name may come from an earlier item.
    QMXMLParser parser;
    parser.setXmlcontent("<rss><channel><item><enclosure sparkle:version=\"7\"/></item>"
                         "<item><title>  No file \n</title></item></channel></rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "7");
}

TEST(ParserMalformed, BadTextChangesNothing) {
    QMXMLParser parser;
    parser.setCurrentInstalledVersion("1");
    parser.setXmlcontent(feed({"5"}));
    parser.setXmlcontent(feed({"5"}));
    ASSERT_TRUE(parser.isNewVersionAvailable());
    for (const std::string bad : {"<rss><channel>", "not xml at all", "", "<a/><b/>",
                                  "<rss><channel><item><enclosure sparkle:version=\"9\"/></item></channel></rss><x/>"}) {
        parser.setXmlcontent(bad);
        EXPECT_TRUE(parser.isNewVersionAvailable()) << bad;
        EXPECT_EQ(parser.currentVersionAvailable(), "5") << bad;
    }
}

TEST(ParserMalformed, RootOtherThanRssHasNoItemsButStillDecides) {
    QMXMLParser parser;
    parser.setCurrentInstalledVersion("1");
    parser.setXmlcontent(feed({"5"}));
    parser.setXmlcontent("<feed><channel><item><enclosure sparkle:version=\"9\"/></item></channel></feed>");
    EXPECT_EQ(parser.currentVersionAvailable(), "5");
    // The decision ran on the stored values: this was the second sighting.
    EXPECT_TRUE(parser.isNewVersionAvailable());
}

TEST(ParserMalformed, DoctypeEntitiesAreNotExpanded) {
    const std::string bomb =
        "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY v \"777\"><!ENTITY ext SYSTEM \"file:///etc/passwd\">]>"
        "<rss><channel><item><title>&ext;</title><enclosure sparkle:version=\"&v;\"/></item></channel></rss>";
    QMXMLParser parser;
    parser.setXmlcontent(bomb);
    EXPECT_EQ(parser.currentVersionAvailable(), std::nullopt);
}

TEST(ParserItems, OnlyItemElementsOfChannelsOfTheRssRoot) {
    // Items of every channel count, in document order; an "item" that sits
    // deeper or elsewhere does not.
    QMXMLParser parser;
    parser.setXmlcontent(
        "<rss><channel><item><enclosure sparkle:version=\"5\"/></item></channel>"
        "<other><item><enclosure sparkle:version=\"90\"/></item></other>"
        "<channel><group><item><enclosure sparkle:version=\"91\"/></item></group>"
        "<item><enclosure sparkle:version=\"8\"/></item></channel></rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "8");
}

TEST(ParserEnclosures, LastEnclosureAndLastVersionAttributeWhereverTheyStand) {
    // The enclosure need not be an item's last child, and of two version
    // attributes on one enclosure the last one counts.
    QMXMLParser parser;
    parser.setXmlcontent("<rss><channel>"
                         "<item><enclosure sparkle:version=\"50\"/><title>t</title>"
                         "<enclosure sparkle:version=\"20\" sparkle:version=\"30\"/><pubDate>d</pubDate></item>"
                         "</channel></rss>");
    // pugixml keeps duplicate attributes as they stand.
    EXPECT_EQ(parser.currentVersionAvailable(), "30");
    parser.setXmlcontent("<rss><channel><item><enclosure sparkle:version=\"40\"/><enclosure url=\"x\"/>"
                         "</item></channel></rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "30") << "an enclosure without a version offers nothing newer";
}

}  // namespace
