#include <gtest/gtest.h>

#include "platform/network/Url.h"
#include "update-notifier/app/FeedAddress.h"

namespace {

using qm::percentEscapedFeedAddress;

TEST(FeedAddress, EscapesWhatMayNotStandInAUrl) {
    EXPECT_EQ(percentEscapedFeedAddress("http://example.com/app cast.xml"), "http://example.com/app%20cast.xml");
    EXPECT_EQ(percentEscapedFeedAddress("http://example.com/f\xC3\xBC" "r.xml"), "http://example.com/f%C3%BCr.xml");
    EXPECT_EQ(percentEscapedFeedAddress("http://h/a\"<>\\^`{|}\x01.xml"), "http://h/a%22%3C%3E%5C%5E%60%7B%7C%7D%01.xml");
}

TEST(FeedAddress, KeepsUrlSyntaxAndExistingEscapes) {
    const std::string url = "https://user@h:8080/p/a-b_c.~d?x=1&y=[2]#frag;!$'()*+,=";
    EXPECT_EQ(percentEscapedFeedAddress(url), url);
    EXPECT_EQ(percentEscapedFeedAddress("http://h/a%20b%c3%bc"), "http://h/a%20b%c3%bc");
    // A lone '%' is not an escape; escaping the result again changes nothing.
    const auto once = percentEscapedFeedAddress("http://h/100%/%4 %G1%");
    EXPECT_EQ(once, "http://h/100%25/%254%20%25G1%25");
    EXPECT_EQ(percentEscapedFeedAddress(once), once);
}

TEST(FeedAddress, EscapedAddressParsesOnlyWhenItIsAUrl) {
    EXPECT_EQ(qm::feedUrlOf("http://127.0.0.1:8088/my feed.xml")->string(), "http://127.0.0.1:8088/my%20feed.xml");
    EXPECT_FALSE(qm::feedUrlOf("not a url"));
    EXPECT_FALSE(qm::feedUrlOf(""));
    EXPECT_FALSE(qm::feedUrlOf(std::nullopt));
    const auto reason = qm::parseFeedUrl("not a url");
    ASSERT_FALSE(reason);
    EXPECT_NE(reason.error().message.find("\"not%20a%20url\" is no URL"), std::string::npos) << reason.error().message;
}

}  // namespace
