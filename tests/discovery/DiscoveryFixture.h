#pragma once
// Runs the server object's discovery against a simulated SMC image from
// images/, with a bundle whose default strings table the test chooses.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <asio/io_context.hpp>
#include <gtest/gtest.h>

#include "platform/foundation/Bundle.h"
#include "platform/registry/PlatformNameSource.h"
#include "platform/smc/SimulatedSmc.h"
#include "sensor-service/machine/SensorMachine.h"
#include "sensor-service/server/polling/VRLServerObject.h"
#include "sensor-service/smc/Smc.h"
#include "tests/support/TemporaryDirectory.h"

namespace vrl::testing {

class DiscoveryTest : public ::testing::Test, public ModelDataSink {
protected:
    void TearDown() override;

    // Loads the image into a simulated SMC and builds the server object on it,
    // which runs discovery. The platform name is the image's model
    // unless one is given.
    VRLServerObject& discover(const std::string& imageName,
                              const std::map<std::string, std::string>& translations = {});

    const SensorEntry* entry(const std::string& key) const;
    std::size_t countOfType(const std::string& type) const;
    const SensorMachine& machine() const { return *machine_; }

    platform::smc::SimulatedSmc* driver = nullptr;  // the machine's
    std::unique_ptr<Smc> smc;                       // the server object's, over driver
    std::vector<std::string> listedKeys;  // the image's keys, in its order

private:
    platform::foundation::Bundle makeBundle(const std::map<std::string, std::string>& translations);
    void modelDataRefreshed(const ModelData&) override {}

    asio::io_context io_;
    const vrl::test::TemporaryDirectory bundleRoot_{"discovery"};
    std::unique_ptr<SensorMachine> machine_;
    std::unique_ptr<VRLServerObject> server_;
};

}  // namespace vrl::testing
