#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "client/ModelDataOutput.h"
#include "client/SensorClient.h"
#include "platform/ipc/EndpointPath.h"
#include "tests/support/TemporaryDirectory.h"

namespace {

using vrl::client::ModelData;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(Table, ColumnsFitTheirWidestCellWithoutTrailingBlanks) {
    const ModelData data{
        {"TC0P", {{"title", std::string("CPU Proximity")}, {"value", 47.5}, {"unit", std::string("celcius")},
                  {"type", std::string("temperature")}}},
        {"TA0P", {{"title", std::string("Ambient air temperature near the left palm rest")},
                  {"value", 30.25}, {"unit", std::string("celcius")}, {"type", std::string("temperature")}}},
        {"TG0D", {{"title", std::string("Grafikprozessor-Diode (\u00fcber)")}, {"value", 55.0},
                  {"unit", std::string("celcius")}, {"type", std::string("temperature")}}},
        {"F0Ac", {{"title", std::string("Left Side")}, {"value", 2000.4}, {"unit", std::string("rpm")},
                  {"type", std::string("fans")}, {"minvalue", 1200.0f}, {"maxvalue", int64_t{6000}}}}};
    const std::vector<std::string> lines = linesOf(vrl::client::formatTable(data));
    ASSERT_EQ(lines.size(), 5u);
    // Every row's value starts where the heading's VALUE starts, counted in
    // characters: the long title, the umlaut and the degree sign shift nothing.
    const auto characterColumn = [](const std::string& line, const std::string& part) {
        const std::string before = line.substr(0, line.find(part));
        return std::count_if(before.begin(), before.end(), [](char c) { return (c & 0xC0) != 0x80; });
    };
    const auto valueColumn = characterColumn(lines[0], "VALUE");
    const auto minColumn = characterColumn(lines[0], "MIN");
    EXPECT_EQ(characterColumn(lines[1], "2000 rpm"), valueColumn) << "fans come first";
    EXPECT_EQ(characterColumn(lines[1], "1200 rpm"), minColumn);
    EXPECT_NE(lines[1].find("1200 rpm 6000 rpm"), std::string::npos);
    EXPECT_EQ(characterColumn(lines[2], "47.5 \u00b0C"), valueColumn);
    EXPECT_EQ(characterColumn(lines[3], "30.2 \u00b0C"), valueColumn);
    EXPECT_EQ(characterColumn(lines[4], "55.0 \u00b0C"), valueColumn);
    for (const std::string& line : lines) EXPECT_NE(line.back(), ' ') << line;
}

// A socket that accepts one connection and closes it at once, as the gate does.
class RefusingSocket {
public:
    explicit RefusingSocket(const std::filesystem::path& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(fd_, 1);
        thread_ = std::thread([this] { ::close(::accept(fd_, nullptr, nullptr)); });
    }
    ~RefusingSocket() {
        thread_.join();
        ::close(fd_);
    }

private:
    int fd_ = -1;
    std::thread thread_;
};

class Endpoints : public ::testing::Test {
protected:
    const vrl::test::TemporaryDirectory scratch_{"vrl-client"};
    const std::filesystem::path dir_ = scratch_.path();
};

TEST_F(Endpoints, SystemServiceFirstThenTheUsersOwn) {
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    const std::vector<std::filesystem::path> paths = vrl::client::SensorClient::defaultSocketPaths();
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0], "/run/com.quenmoor.vrlsensord/com.quenmoor.vrlsensord.sock");
    EXPECT_EQ(paths[1], dir_ / "com.quenmoor.vrlsensord.sock");
    ::setenv("XDG_RUNTIME_DIR", "relative/dir", 1);
    EXPECT_EQ(vrl::client::SensorClient::defaultSocketPaths().size(), 1u);
}

TEST_F(Endpoints, TriesEachInTurnAndNamesEveryPlaceItLooked) {
    const std::filesystem::path missing = dir_ / "missing.sock";
    const std::filesystem::path refusing = dir_ / "refusing.sock";
    {
        RefusingSocket gate(refusing);
        const auto result = vrl::client::SensorClient(std::vector{missing, refusing}).getModelData();
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind, vrl::client::ClientError::refused);
        const std::string& message = result.error().cause.message;
        EXPECT_NE(message.find("com.quenmoor.vorrel"), std::string::npos) << message;
    }
    const auto system = platform::ipc::systemEndpointPath("com.quenmoor.vrlsensord");
    const auto result = vrl::client::SensorClient(std::vector{system, missing}).getModelData();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, vrl::client::ClientError::cannotConnect);
    const std::string& message = result.error().cause.message;
    EXPECT_NE(message.find(system.string()), std::string::npos) << message;
    EXPECT_NE(message.find(missing.string()), std::string::npos) << message;
    EXPECT_NE(message.find("vrlsensord.socket"), std::string::npos) << message;
}

// A path beyond sun_path must be refused by name, never reach the socket
// address (where asio would throw); the default path of a user with a long
// $XDG_RUNTIME_DIR is held to the same limit.
TEST(EndpointPath, RefusesWhatASocketAddressCannotHoldNamingTheLimit) {
    EXPECT_EQ(platform::ipc::maxEndpointPathLength(), 107u);
    const std::string fits = "/" + std::string(106, 'f');
    EXPECT_EQ(platform::ipc::fittingEndpointPath(fits).value(), fits);
    const auto tooLong = platform::ipc::fittingEndpointPath(fits + "x");
    ASSERT_FALSE(tooLong);
    EXPECT_EQ(tooLong.error().message,
              "socket path " + fits + "x is 108 bytes long; a Unix socket path holds at most 107");
    if (::geteuid() == 0) return;  // root binds the system path
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string previous = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", fits.c_str(), 1);
    const auto fromEnvironment = platform::ipc::defaultEndpointPath("com.quenmoor.vrlsensord");
    if (saved) ::setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
    ASSERT_FALSE(fromEnvironment);
    EXPECT_NE(fromEnvironment.error().message.find("holds at most 107"), std::string::npos);
}

}  // namespace
