#include <gtest/gtest.h>

#include "platform/smc/BuiltInImage.h"
#include "sensor-service/smc/KeyAccess.h"
#include "sensor-service/smc/SmcHelper.h"
#include "tests/smc/SmcTestSupport.h"

namespace vrl::test {
namespace {

using platform::smc::kSmcCmdReadBytes;
using platform::smc::kSmcCmdReadIndex;
using platform::smc::kSmcCmdReadKeyInfo;

class KeyAccessTest : public FreshSmcTest {};

TEST_F(KeyAccessTest, BuiltInImageServesTemperaturesFansAndTheKeyList) {
    smc = std::make_shared<platform::smc::SimulatedSmc>(platform::smc::builtInImage());
    smcUseDriver(smc);
    ASSERT_EQ(smcOpen(), 0);
    EXPECT_EQ(smc->model(), "MacBookPro11,1");
    EXPECT_DOUBLE_EQ(smcGetTemperature("TC0P"), 47.5);
    EXPECT_EQ(valueForKey("F0Ac"), "2000.00");
    auto keys = getSmcKeysFromConnection(0);
    EXPECT_EQ(keys.size(), smc->image().keys.size() + 1);
    EXPECT_EQ(keys.front(), "#KEY");
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(smcClose(), 0);
}

}  // namespace
}  // namespace vrl::test
