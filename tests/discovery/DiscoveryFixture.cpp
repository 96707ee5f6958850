#include "DiscoveryFixture.h"

#include <fstream>
#include <unistd.h>

namespace vrl::testing {

void DiscoveryTest::TearDown() {
    server_.reset();
    if (!bundleRoot_.empty()) std::filesystem::remove_all(bundleRoot_);
}

VRLServerObject& DiscoveryTest::discover(const std::string& imageName,
                                         const std::map<std::string, std::string>& translations) {
    const auto image = platform::smc::SmcImage::fromFile(std::filesystem::path(DISCOVERY_IMAGES_DIR) / imageName);
    if (!image) ADD_FAILURE() << image.error().message;
    for (const platform::smc::SmcImageKey& key : image.value().keys) listedKeys.push_back(key.key);
    auto simulated = std::make_unique<platform::smc::SimulatedSmc>(*image);
    driver = simulated.get();
    auto name = std::make_unique<platform::registry::FixedPlatformName>(driver->model());
    machine_ = std::make_unique<SensorMachine>(std::move(simulated), std::move(name), makeBundle(translations));
    smc = std::make_unique<Smc>(*driver);
    server_ = std::make_unique<VRLServerObject>(io_, *smc, *machine_, *this);
    return *server_;
}

platform::foundation::Bundle DiscoveryTest::makeBundle(const std::map<std::string, std::string>& translations) {
    bundleRoot_ = std::filesystem::temp_directory_path() /
                  ("discovery-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
    const std::filesystem::path contents = bundleRoot_ / "VRLSensor.app" / "Contents";
    std::filesystem::create_directories(contents / "MacOS");
    for (const char* language : {"en.lproj", "Base.lproj"}) {
        std::filesystem::create_directories(contents / "Resources" / language);
        std::ofstream table(contents / "Resources" / language / "Localizable.strings");
        for (const auto& [key, value] : translations) table << '"' << key << "\" = \"" << value << "\";\n";
    }
    std::ofstream(contents / "MacOS" / "vrlsensord").put('\n');
    return platform::foundation::Bundle::forExecutable(contents / "MacOS" / "vrlsensord");
}

const SensorEntry* DiscoveryTest::entry(const std::string& key) const {
    const auto found = server_->modelData().find(key);
    return found == server_->modelData().end() ? nullptr : &found->second;
}

std::size_t DiscoveryTest::countOfType(const std::string& type) const {
    std::size_t count = 0;
    for (const auto& [key, item] : server_->modelData()) count += item.type == type ? 1 : 0;
    return count;
}

}  // namespace vrl::testing
