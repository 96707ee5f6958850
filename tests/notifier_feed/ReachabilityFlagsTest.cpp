#include <gtest/gtest.h>

#include "platform/network/ReachabilityFlags.h"
#include "platform/network/Url.h"

namespace {

using namespace platform::network;

TEST(ReachabilityFlags, AnyMaskFlagAloneMeansReachable) {
    EXPECT_TRUE(flagsMeanReachable(kReachable));
    EXPECT_TRUE(flagsMeanReachable(kConnectionOnTraffic));
    EXPECT_TRUE(flagsMeanReachable(kIsLocalAddress));
    EXPECT_FALSE(flagsMeanReachable(0));
    // Other flags (transient connection, connection required, ...) are ignored.
    EXPECT_FALSE(flagsMeanReachable(0x1 | 0x4 | 0x20 | 0x40000));
}

TEST(ReachabilityFlags, LookupFactsBecomeFlags) {
    EXPECT_EQ(reachabilityFlags({}), 0u);
    EXPECT_EQ(reachabilityFlags({.resolved = true}), 0u);
    EXPECT_EQ(reachabilityFlags({.resolved = true, .routable = true}), kReachable);
    // A local address counts as reachable even without a route.
    EXPECT_EQ(reachabilityFlags({.resolved = true, .local = true}), kIsLocalAddress);
    EXPECT_TRUE(flagsMeanReachable(reachabilityFlags({.resolved = true, .local = true})));
    // Nothing is claimed for a name that did not resolve.
    EXPECT_EQ(reachabilityFlags({.resolved = false, .routable = true, .local = true}), 0u);
}

TEST(Url, ParsesOnlyAbsoluteUrls) {
    const auto feed = Url::parse("https://updates.example.com:8443/appcast.xml");
    ASSERT_TRUE(feed);
    EXPECT_EQ(feed->scheme(), "https");
    EXPECT_EQ(feed->host(), "updates.example.com");
    for (const std::string text : {"updates.example.com/appcast.xml", "", "http://exa mple.com/"}) {
        const auto parsed = Url::parse(text);
        ASSERT_FALSE(parsed) << text;
        EXPECT_NE(parsed.error().message.find("\"" + text + "\" is no URL: "), std::string::npos)
            << parsed.error().message;
    }
    EXPECT_FALSE(Url::parse(std::string("http://a\0b/", 11)));
    const auto file = Url::parse("file:///tmp/appcast.xml");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->host(), "");
}

}  // namespace
