// The wire format: number kinds survive, bad requests are told apart, and the
// client reads back exactly what the service wrote.
#include <gtest/gtest.h>

#include "client/ReplyDecoder.h"
#include "platform/ipc/WireProtocol.h"
#include "sensor-service/server/protocol/MessagePackWriter.h"
#include "sensor-service/server/protocol/Protocol.h"

namespace vrl {
namespace {

using Bytes = std::vector<uint8_t>;

bool isMalformed(const client::FetchResult& decoded) {
    return !decoded && decoded.error().kind == client::ClientError::malformedReply &&
           !decoded.error().cause.message.empty();
}

TEST(MessagePackWriter, IntegralFloatsKeepTheirKind) {
    MessagePackWriter writer;
    writer.float64(2000.0);
    writer.float32(0.0f);
    writer.number(NumberObject{int64_t{-1}});
    writer.number(NumberObject{uint64_t{6000}});
    const std::vector<uint8_t> expected{0xcb, 0x40, 0x9f, 0x40, 0, 0, 0, 0, 0,        // float64 2000
                                        0xca, 0, 0, 0, 0,                             // float32 0
                                        0xd3, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,  // int64 -1
                                        0xcf, 0, 0, 0, 0, 0, 0, 0x17, 0x70};          // uint64 6000
    EXPECT_EQ(writer.bytes(), expected);
}

TEST(Protocol, ReplyRoundTripsThroughTheClientWithNumberKinds) {
    ModelData data;
    data["F0Ac"] = {"Left Side", 2000.0, kUnitRpm, kTypeFans, NumberObject{1200.0f}, NumberObject{int64_t{-1}}, true};
    data["TC0P"] = {"CPU Proximity", -1.0, kUnitCelsius, kTypeTemperature, {}, {}, false};
    const client::FetchResult decoded = client::decodeReply(encodeModelDataReply(data));
    ASSERT_TRUE(decoded) << decoded.error().cause.message;
    ASSERT_EQ(decoded->size(), 2u);
    const client::Entry& fan = decoded->at(0).second;
    EXPECT_EQ(decoded->at(0).first, "F0Ac");
    EXPECT_EQ(fan.size(), 6u);
    EXPECT_EQ(*client::field(fan, "value"), client::Value{2000.0});
    EXPECT_EQ(*client::field(fan, "minvalue"), client::Value{1200.0f});
    EXPECT_EQ(*client::field(fan, "maxvalue"), client::Value{int64_t{-1}});
    EXPECT_EQ(*client::field(fan, "unit"), client::Value{std::string("rpm")});
    const client::Entry& temperature = decoded->at(1).second;
    EXPECT_EQ(temperature.size(), 4u) << "no limits on temperature entries";
    EXPECT_EQ(client::field(temperature, "minvalue"), nullptr);

    EXPECT_TRUE(client::decodeReply(encodeModelDataReply({}))->empty());
    const client::FetchResult refused = client::decodeReply(encodeError("unknown method"));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, client::ClientError::serviceError);
    EXPECT_EQ(refused.error().cause.message, "unknown method");
}

TEST(Protocol, RequestsAreMapsAndAnythingElseIsRejected) {
    const platform::ipc::Frame& frame = platform::ipc::getModelDataRequestFrame();
    const Request request = decodeRequest(std::span(frame).subspan(platform::ipc::kFrameHeaderBytes));
    EXPECT_TRUE(request.wellFormed);
    EXPECT_EQ(request.method, platform::ipc::kMethodGetModelData);

    const Bytes noMethod{0x81, 0xa4, 'n', 'a', 'm', 'e', 0x01};
    EXPECT_TRUE(decodeRequest(noMethod).wellFormed);
    EXPECT_FALSE(decodeRequest(noMethod).method);
    EXPECT_FALSE(decodeRequest(Bytes{0xc1}).wellFormed);
    EXPECT_FALSE(decodeRequest(Bytes{0x93, 1, 2, 3}).wellFormed);
    EXPECT_FALSE(decodeRequest(Bytes{}).wellFormed);
    EXPECT_FALSE(decodeRequest(Bytes{0x80, 0x80}).wellFormed) << "one value per frame";
    EXPECT_FALSE(decodeRequest(Bytes{0x81, 0xa6}).wellFormed) << "truncated";
}

TEST(Protocol, ClientRejectsMalformedReplies) {
    EXPECT_TRUE(isMalformed(client::decodeReply({0xc1})));
    EXPECT_TRUE(isMalformed(client::decodeReply({0x81, 0xa3, 'f', 'o', 'o', 0x01})));
    EXPECT_TRUE(isMalformed(client::decodeReply({0x81, 0xa5, 'r', 'e', 'p', 'l', 'y', 0x01})));
    EXPECT_EQ(platform::ipc::framed(Bytes{1, 2}), (Bytes{0, 0, 0, 2, 1, 2}));
}

// Found by fuzzing: a few bytes announcing an array or map of billions of
// elements made the decoders reserve gigabytes before reading any of them.
TEST(Protocol, DeclaredSizesBeyondThePayloadAreRejectedWithoutAllocating) {
    const std::vector<uint8_t> hugeArray{0x81, 0xa6, 'm', 'e', 't', 'h', 'o', 'd', 0xdd, 0xff, 0xff, 0xff, 0xff};
    EXPECT_FALSE(decodeRequest(hugeArray).wellFormed);
    const std::vector<uint8_t> hugeMap{0xdf, 0x7f, 0xff, 0xff, 0xff, 0xa1, 'a', 0xc0};
    EXPECT_FALSE(decodeRequest(hugeMap).wellFormed);
    const std::vector<uint8_t> replyWithHugeEntry{0x81, 0xa5, 'r', 'e', 'p', 'l', 'y', 0x81, 0xa4, 'T', 'C', '0', 'P',
                                                  0xdf, 0x40, 0x00, 0x00, 0x00};
    EXPECT_TRUE(isMalformed(client::decodeReply(replyWithHugeEntry)));
    std::vector<uint8_t> deep(64, 0x91);
    deep.push_back(0xc0);
    EXPECT_FALSE(decodeRequest(deep).wellFormed) << "nesting is bounded";
}

}  // namespace
}  // namespace vrl
