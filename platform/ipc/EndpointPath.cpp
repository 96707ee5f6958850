#include "platform/ipc/EndpointPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

EndpointPath defaultEndpointPath(const std::string& identifier) {
    if (geteuid() == 0) return {systemEndpointPath(identifier), {}};
    if (auto path = userEndpointPath(identifier)) return {std::move(path), {}};
    return {std::nullopt,
            "no endpoint path: XDG_RUNTIME_DIR is not set (give one with --socket PATH)"};
}

std::vector<std::filesystem::path> clientEndpointPaths(const std::string& identifier) {
    std::vector<std::filesystem::path> paths{systemEndpointPath(identifier)};
    if (auto user = userEndpointPath(identifier)) paths.push_back(std::move(*user));
    return paths;
}

bool prepareEndpointDirectory(const std::filesystem::path& socketPath, std::string& error) {
    const std::filesystem::path dir = socketPath.parent_path();
    if (geteuid() != 0 || dir.parent_path() != kRootRuntimeDir) return true;
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
        error = "cannot create " + dir.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != 0 ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        error = dir.string() + " is not a root-owned directory that only root can write";
        return false;
    }
    return true;
}

}  // namespace platform::ipc
