// Asks where the service would be and formats an empty answer: enough to
// pull the endpoint search and the output into the link. The hwmon lookup
// brings in the result type and its tl::expected.
#include <client/ApplesmcHwmon.h>
#include <client/ModelDataOutput.h>
#include <client/SensorClient.h>

#include <iostream>

int main() {
    const auto paths = vrl::client::SensorClient::defaultSocketPaths();
    std::cout << paths.front().string() << "\n" << vrl::client::formatJson({});
    const auto channels = vrl::client::findApplesmcChannels("/nonexistent");
    if (!channels) std::cout << channels.error().message << "\n";
    return paths.empty() ? 1 : 0;
}
