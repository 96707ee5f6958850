#include <gtest/gtest.h>

#include <map>
#include <string>

#include <pugixml.hpp>

#include "update-notifier/feed/LatestNodes.h"
#include "update-notifier/feed/QMXMLParser.h"

namespace {

using qm::LatestNodes;

// Name to the text of its latest node, after every item of the channel.
std::map<std::string, std::string> latestTexts(const char* channel, std::string& watchedText) {
    pugi::xml_document document;
    document.load_string(channel);
    LatestNodes names("enclosure");
    for (pugi::xml_node item : document.first_child().children()) names.addChildrenOf(item);
    std::map<std::string, std::string> texts;
    for (const LatestNodes::Entry& entry : names.entries())
        texts[std::string(entry.name)] = entry.latest.text().get();
    watchedText = names.watched().text().get();
    return texts;
}

TEST(LatestNodes, LatestOfEachNameWhateverTheChildOrder) {
    // Items that list their children in other orders, fewer or more of them,
    // and a name twice in one item: the latest node of each name still wins.
    std::string enclosure;
    const auto texts = latestTexts(
        "<c><i><a>1</a><b>1</b><enclosure>1</enclosure></i>"
        "<i><b>2</b><a>2</a></i>"
        "<i><enclosure>3</enclosure><x>3</x><b>3</b><b>3b</b><y>3</y></i>"
        "<i><a>4</a></i></c>",
        enclosure);
    const std::map<std::string, std::string> expected{
        {"a", "4"}, {"b", "3b"}, {"enclosure", "3"}, {"x", "3"}, {"y", "3"}};
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(enclosure, "3");
}

TEST(LatestNodes, ReportsOnlyItemsThatHaveTheWatchedName) {
    pugi::xml_document document;
    document.load_string("<c><i><enclosure/></i><i><title/></i><i/></c>");
    LatestNodes names("enclosure");
    pugi::xml_node item = document.first_child().first_child();
    EXPECT_TRUE(names.addChildrenOf(item));
    const pugi::xml_node first = names.watched();
    EXPECT_FALSE(names.addChildrenOf(item = item.next_sibling()));
    EXPECT_FALSE(names.addChildrenOf(item.next_sibling()));
    EXPECT_EQ(names.watched(), first);
}

TEST(ParserItems, OnlyItemElementsOfChannelsOfTheRssRoot) {
    // Items of every channel count, in document order; an "item" that is a
    // processing instruction, or sits deeper or elsewhere, does not.
    qm::QMXMLParser parser;
    parser.setXmlcontent(
        "<rss><channel><item><enclosure sparkle:version=\"5\"/></item></channel>"
        "<other><item><enclosure sparkle:version=\"90\"/></item></other>"
        "<channel><?item x?><group><item><enclosure sparkle:version=\"91\"/></item></group>"
        "<item><enclosure sparkle:version=\"8\"/></item></channel></rss>");
    EXPECT_EQ(parser.currentVersionAvailable(), "8");
}

}  // namespace
