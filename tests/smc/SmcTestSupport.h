#pragma once
// Every test case starts on a fresh SMC: a new simulated driver and an empty
// key-info cache.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/smc/SimulatedSmc.h"
#include "sensor-service/smc/Smc.h"

namespace vrl::test {

inline platform::smc::SmcImage imageFromJson(const std::string& json) {
    std::string error;
    auto image = platform::smc::SmcImage::fromJson(json, "test image", error);
    EXPECT_TRUE(image) << error;
    return image.value_or(platform::smc::SmcImage{});
}

class FreshSmcTest : public ::testing::Test {
protected:
    void useImage(const std::string& json) {
        smc = std::make_shared<platform::smc::SimulatedSmc>(imageFromJson(json));
        smcUseDriver(smc);
    }
    void TearDown() override { smcUseDriver(nullptr); }

    std::shared_ptr<platform::smc::SimulatedSmc> smc;
};

}  // namespace vrl::test
