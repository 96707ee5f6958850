// Asks where the service would be and formats an empty answer: enough to
// pull the endpoint search and the output into the link.
#include <client/ModelDataOutput.h>
#include <client/SensorClient.h>

#include <iostream>

int main() {
    const auto paths = vrl::client::SensorClient::defaultSocketPaths();
    std::cout << paths.front().string() << "\n" << vrl::client::formatJson({});
    return paths.empty() ? 1 : 0;
}
