#include "platform/ipc/EndpointPath.h"

#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform::ipc {

namespace {
const std::filesystem::path kRootRuntimeDir = "/run";
}

std::filesystem::path systemEndpointPath(const std::string& identifier) {
    return kRootRuntimeDir / identifier / (identifier + ".sock");
}

std::optional<std::filesystem::path> userEndpointPath(const std::string& identifier) {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeDir == nullptr || runtimeDir[0] != '/') return std::nullopt;
    return std::filesystem::path(runtimeDir) / (identifier + ".sock");
}

std::size_t maxEndpointPathLength() { return sizeof(sockaddr_un::sun_path) - 1; }

platform::Result<std::filesystem::path> fittingEndpointPath(std::filesystem::path path) {
    const std::size_t length = path.native().size();
    if (length <= maxEndpointPathLength()) return path;
    return platform::fail("socket path " + path.string() + " is " + std::to_string(length) +
                              " bytes long; a Unix socket path holds at most " +
                              std::to_string(maxEndpointPathLength()),
                          ENAMETOOLONG);
}

platform::Result<std::filesystem::path> defaultEndpointPath(const std::string& identifier) {
    if (geteuid() == 0) return fittingEndpointPath(systemEndpointPath(identifier));
    if (auto path = userEndpointPath(identifier)) return fittingEndpointPath(std::move(*path));
    return platform::fail("no endpoint path: XDG_RUNTIME_DIR is not set (give one with --socket PATH)");
}

std::vector<std::filesystem::path> clientEndpointPaths(const std::string& identifier) {
    std::vector<std::filesystem::path> paths{systemEndpointPath(identifier)};
    if (auto user = userEndpointPath(identifier)) paths.push_back(std::move(*user));
    return paths;
}

platform::Result<void> prepareEndpointDirectory(const std::filesystem::path& socketPath) {
    const std::filesystem::path dir = socketPath.parent_path();
    if (geteuid() != 0 || dir.parent_path() != kRootRuntimeDir) return {};
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
        return platform::failErrno("cannot create " + dir.string(), errno);
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != 0 ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return platform::fail(dir.string() + " is not a root-owned directory that only root can write");
    return {};
}

}  // namespace platform::ipc
