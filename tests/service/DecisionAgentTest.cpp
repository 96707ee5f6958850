// The agent's reply: encoded once per change of the model data and shared by
// every request until the next change.
#include <gtest/gtest.h>

#include "platform/smc/BuiltInImage.h"
#include "platform/smc/SimulatedSmc.h"
#include "sensor-service/server/DecisionAgent.h"
#include "sensor-service/server/Protocol.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {
namespace {

struct AgentHarness {
    platform::ipc::SharedFrame reply() {
        platform::ipc::SharedFrame frame;
        agent.getModelDatawithReply([&frame](platform::ipc::SharedFrame f) { frame = std::move(f); });
        return frame;
    }
    asio::io_context io;
    Smc smc{std::make_shared<platform::smc::SimulatedSmc>(platform::smc::builtInImage())};
    platform::registry::FixedPlatformName name{std::string("MacBookPro11,1")};
    platform::foundation::Bundle bundle = platform::foundation::Bundle::mainBundle();
    DecisionAgent agent{{io, smc, name, bundle, {}}};
};

TEST(DecisionAgent, ReplyIsEncodedOncePerChangeOfTheModelData) {
    AgentHarness h;
    h.agent.startServer();
    const platform::ipc::SharedFrame first = h.reply();
    ASSERT_TRUE(first);
    EXPECT_EQ(h.reply(), first) << "no change, the same bytes";
    EXPECT_EQ(*first, platform::ipc::framed(encodeModelDataReply(h.agent.serverObject().modelData())));

    h.agent.serverObject().updateModuleFromTimer();
    const platform::ipc::SharedFrame refreshed = h.reply();
    EXPECT_NE(refreshed, first) << "a refresh encodes anew";

    ModelData replaced;
    replaced["TX0P"] = SensorEntry{"Replaced", 21.5, kUnitCelsius, kTypeTemperature, {}, {}, false};
    h.agent.serverObject().setModelData(replaced);
    const platform::ipc::SharedFrame afterReplacement = h.reply();
    EXPECT_EQ(*afterReplacement, platform::ipc::framed(encodeModelDataReply(replaced)))
        << "replaced model data is never answered with the old reply";
}

}  // namespace
}  // namespace vrl
