// Asks where the service would be, asks a service that is not there, and
// formats an empty answer: enough to pull the endpoint search, the fetch and
// the output into the link. The fetch and the hwmon lookup bring in the
// result types and their tl::expected.
#include <client/ApplesmcHwmon.h>
#include <client/ModelDataOutput.h>
#include <client/SensorClient.h>

#include <iostream>

int main() {
    const auto paths = vrl::client::SensorClient::defaultSocketPaths();
    std::cout << paths.front().string() << "\n" << vrl::client::formatJson({});
    const auto channels = vrl::client::findApplesmcChannels("/nonexistent");
    if (!channels) std::cout << channels.error().message << "\n";
    const vrl::client::FetchResult fetched =
        vrl::client::SensorClient(std::filesystem::path("/nonexistent/vrlsensord.sock")).getModelData();
    if (fetched || fetched.error().kind != vrl::client::ClientError::cannotConnect) return 1;
    return paths.empty() ? 1 : 0;
}
