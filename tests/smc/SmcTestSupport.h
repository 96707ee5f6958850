#pragma once
// Every test case starts on a fresh SMC: a new simulated driver and an SMC
// object of its own, with an empty key-info cache.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/smc/SimulatedSmc.h"
#include "sensor-service/smc/Smc.h"

namespace vrl::test {

inline platform::smc::SmcImage imageFromJson(const std::string& json) {
    auto image = platform::smc::SmcImage::fromJson(json, "test image");
    EXPECT_TRUE(image) << image.error().message;
    return image.value_or(platform::smc::SmcImage{});
}

class FreshSmcTest : public ::testing::Test {
protected:
    void useImage(const std::string& json) {
        driver = std::make_unique<platform::smc::SimulatedSmc>(imageFromJson(json));
        smc = std::make_unique<Smc>(*driver);
    }

    std::unique_ptr<platform::smc::SimulatedSmc> driver;
    std::unique_ptr<Smc> smc;
};

}  // namespace vrl::test
