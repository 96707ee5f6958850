#include "tests/support/CapturedStderr.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace vrl::test {
namespace {

constexpr std::string_view kDebugPrefix = "debug: ";

int temporaryFile() {
    char name[] = "/tmp/vrl-stderr-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) std::abort();
    ::unlink(name);
    return fd;
}

}  // namespace

CapturedStderr::CapturedStderr() : file_(temporaryFile()), savedStderr_(::dup(STDERR_FILENO)) {
    std::fflush(stderr);
    ::dup2(file_, STDERR_FILENO);
}

CapturedStderr::~CapturedStderr() {
    std::fflush(stderr);
    ::dup2(savedStderr_, STDERR_FILENO);
    ::close(savedStderr_);
    ::close(file_);
}

std::vector<std::string> CapturedStderr::lines() const {
    std::fflush(stderr);
    const off_t end = ::lseek(file_, 0, SEEK_END);
    std::string text(static_cast<std::size_t>(end - from_), '\0');
    if (::pread(file_, text.data(), text.size(), from_) != static_cast<ssize_t>(text.size())) std::abort();
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> CapturedStderr::debugLines() const {
    std::vector<std::string> debug;
    for (const std::string& line : lines())
        if (line.starts_with(kDebugPrefix)) debug.push_back(line.substr(kDebugPrefix.size()));
    return debug;
}

std::vector<std::string> CapturedStderr::otherLines() const {
    std::vector<std::string> other;
    for (const std::string& line : lines())
        if (!line.starts_with(kDebugPrefix)) other.push_back(line);
    return other;
}

void CapturedStderr::clear() {
    std::fflush(stderr);
    from_ = ::lseek(file_, 0, SEEK_END);
}

}  // namespace vrl::test
