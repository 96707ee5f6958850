#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
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
    QMXMLParser parser{std::nullopt};
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
    QMXMLParser parser{"130"};
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
    QMXMLParser parser{"135"};
    parser.setXmlcontent(feed({"135"}));
    parser.setXmlcontent(feed({"135"}));
    EXPECT_FALSE(parser.isNewVersionAvailable());
    // Still unarmed: the first newer sighting answers no.
    parser.setXmlcontent(feed({"136"}));
    EXPECT_FALSE(parser.isNewVersionAvailable());

    QMXMLParser noInstalled{std::nullopt};
    noInstalled.setXmlcontent(feed({"1"}));
    noInstalled.setXmlcontent(feed({"1"}));
    EXPECT_TRUE(noInstalled.isNewVersionAvailable());
}

TEST(ParserEnclosures, OnlySparklePrefixAndTheLastEnclosureCount) {
    // Names count as written: another prefix for the same namespace, an
    // unprefixed version, a prefixed enclosure or a version element offer nothing.
    const std::string otherPrefixes =
        "<rss xmlns:sv=\"http://www.andymatuschak.org/xml-namespaces/sparkle\" "
        "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
        "<item><enclosure sv:version=\"200\" version=\"201\"/><sparkle:version>300</sparkle:version></item>"
        "<item><sv:enclosure sparkle:version=\"400\"/></item></channel></rss>";
    QMXMLParser parser{std::nullopt};
    parser.setXmlcontent(otherPrefixes);
    EXPECT_EQ(parser.currentVersionAvailable(), std::nullopt);

    parser.setXmlcontent("<rss><channel><item><enclosure sparkle:version=\"140\"/>"
                         "<enclosure sparkle:version=\"138\"/></item></channel></rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "138");
}

TEST(ParserEnclosures, ItemWithoutEnclosureReusesTheEarlierOne) {
    // The latest node of a name may come from an earlier item.
    QMXMLParser parser{std::nullopt};
    parser.setXmlcontent("<rss><channel><item><enclosure sparkle:version=\"7\"/></item>"
                         "<item><title>  No file \n</title></item></channel></rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "7");
}

// Each text offers 9, so a lenient parse would raise the stored version, and
// the parser is armed, so a decision that ran would turn the answer to yes.
TEST(ParserMalformed, TextThatIsNotWellFormedChangesNothing) {
    const std::string head = "<rss><channel><item><description>";
    const std::string tail = "</description><enclosure sparkle:version=\"9\"/></item></channel></rss>";
    const std::vector<std::string> bad = {
        head + "caf&eacute;&nbsp;bar" + tail,                    // entity that is not declared
        head + "Fish & chips" + tail,                            // bare ampersand
        "<rss><channel><item><enclosure url=\"a<b\" sparkle:version=\"9\"/></item></channel></rss>",
        "<rss><channel><item><enclosure sparkle:version=\"9\" sparkle:version=\"9\"/></item></channel></rss>",
        head + tail + "trailing text",                          // text after the root element
        head + tail + "<rss/>",                                 // a second root
        head + "bell\x07" + tail,                               // control character
        "<rss><channel><item><enclosure sparkle:version=\"9\"/></item></channel>",  // cut short
        "not xml at all",
        "",
    };
    QMXMLParser parser{"1"};
    parser.setXmlcontent(feed({"5"}));
    ASSERT_FALSE(parser.isNewVersionAvailable());  // armed
    for (const std::string& text : bad) {
        parser.setXmlcontent(text);
        EXPECT_FALSE(parser.isNewVersionAvailable()) << text;
        EXPECT_EQ(parser.currentVersionAvailable(), "5") << text;
    }
    // The same feed well-formed again is the second sighting.
    parser.setXmlcontent(feed({"5"}));
    EXPECT_TRUE(parser.isNewVersionAvailable());
}

TEST(ParserMalformed, RootOtherThanRssHasNoItemsButStillDecides) {
    QMXMLParser parser{"1"};
    parser.setXmlcontent(feed({"5"}));
    parser.setXmlcontent("<feed><channel><item><enclosure sparkle:version=\"9\"/></item></channel></feed>");
    EXPECT_EQ(parser.currentVersionAvailable(), "5");
    // The decision ran on the stored values: this was the second sighting.
    EXPECT_TRUE(parser.isNewVersionAvailable());
}

TEST(ParserEntities, DeclaredEntitiesAreNeverExpandedNorFetched) {
    char path[] = "/tmp/vrl-entity-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string markup = "<enclosure sparkle:version=\"999\"/>";
    ASSERT_EQ(::write(fd, markup.data(), markup.size()), static_cast<ssize_t>(markup.size()));
    ::close(fd);

    QMXMLParser parser{"1"};
    parser.setXmlcontent(feed({"5"}));
    // Well-formed: each document is parsed and decided on, but an entity
    // offers neither its text nor its markup, nor the file it names.
    parser.setXmlcontent("<!DOCTYPE rss [<!ENTITY v \"777\">]><rss><channel><item>"
                         "<enclosure sparkle:version=\"&v;\"/></item></channel></rss>");
    EXPECT_TRUE(parser.isNewVersionAvailable());
    parser.setXmlcontent("<!DOCTYPE rss [<!ENTITY e '<enclosure sparkle:version=\"888\"/>'>]>"
                         "<rss><channel><item>&e;</item></channel></rss>");
    parser.setXmlcontent(std::string("<!DOCTYPE rss [<!ENTITY ext SYSTEM \"file://") + path +
                         "\">]><rss><channel><item>&ext;</item></channel></rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "5");
    ::unlink(path);

    // Ten levels of ten references each, a billion copies if expanded: the
    // library's amplification limit refuses it like text that is not
    // well-formed, so it changes nothing either.
    std::string bomb = "<!DOCTYPE rss [<!ENTITY l0 \"lol\">";
    for (int level = 1; level <= 9; ++level) {
        bomb += "<!ENTITY l" + std::to_string(level) + " \"";
        for (int copy = 0; copy < 10; ++copy) bomb += "&l" + std::to_string(level - 1) + ";";
        bomb += "\">";
    }
    bomb += "]><rss><channel><item><title>&l9;</title><enclosure sparkle:version=\"9\"/></item></channel></rss>";
    parser.setXmlcontent(bomb);
    EXPECT_EQ(parser.currentVersionAvailable(), "5");
}

TEST(ParserItems, OnlyItemElementsOfChannelsOfTheRssRoot) {
    // Items of every channel count, in document order; an "item" that sits
    // deeper or elsewhere does not.
    QMXMLParser parser{std::nullopt};
    parser.setXmlcontent(
        "<rss><channel><item><enclosure sparkle:version=\"5\"/></item></channel>"
        "<other><item><enclosure sparkle:version=\"90\"/></item></other>"
        "<channel><group><item><enclosure sparkle:version=\"91\"/></item></group>"
        "<item><enclosure sparkle:version=\"8\"/></item></channel></rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "8");
    // The path's names are plain, in no namespace, so neither a default
    // namespace nor a prefix on the elements selects anything.
    parser.setXmlcontent("<rss xmlns=\"urn:x\"><channel><item><enclosure sparkle:version=\"95\"/></item>"
                         "</channel></rss>");
    parser.setXmlcontent("<r:rss xmlns:r=\"urn:x\"><channel><item><enclosure sparkle:version=\"96\"/></item>"
                         "</channel></r:rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "8");
}

TEST(ParserEnclosures, TheLastEnclosureCountsWhereverItStands) {
    QMXMLParser parser{std::nullopt};
    parser.setXmlcontent("<rss><channel>"
                         "<item><enclosure sparkle:version=\"50\"/><title>t</title>"
                         "<enclosure sparkle:version=\"30\"/><pubDate>d</pubDate></item>"
                         "</channel></rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "30");
    parser.setXmlcontent("<rss><channel><item><enclosure sparkle:version=\"40\"/><enclosure url=\"x\"/>"
                         "</item></channel></rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "30") << "an enclosure without a version offers nothing newer";
    parser.setXmlcontent("<rss><channel><item><enclosure sparkle:version=\"60\"/><?enclosure v?>"
                         "</item></channel></rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "30") << "a later node of that name of another kind hides it";
}

}  // namespace
