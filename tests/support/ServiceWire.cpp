#include "tests/support/ServiceWire.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <thread>

#include <msgpack.hpp>

#include "platform/ipc/WireProtocol.h"

namespace vrl::test {
namespace {

int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

bool waitFor(int fd, short events, Clock::time_point deadline) {
    pollfd p{fd, events, 0};
    for (;;) {
        int r = ::poll(&p, 1, remainingMs(deadline));
        if (r > 0) return true;
        if (r == 0 || errno != EINTR) return false;
    }
}

// Reads exactly n bytes; false on close, error or deadline.
bool readExactly(int fd, uint8_t* out, std::size_t n, Clock::time_point deadline) {
    std::size_t got = 0;
    while (got < n) {
        if (!waitFor(fd, POLLIN, deadline)) return false;
        ssize_t r = ::recv(fd, out + got, n - got, 0);
        if (r <= 0) {
            if (r < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            return false;
        }
        got += static_cast<std::size_t>(r);
    }
    return true;
}

std::optional<double> numberOf(const msgpack::object& o) {
    switch (o.type) {
        case msgpack::type::FLOAT32:
        case msgpack::type::FLOAT64: return o.via.f64;
        case msgpack::type::POSITIVE_INTEGER: return static_cast<double>(o.via.u64);
        case msgpack::type::NEGATIVE_INTEGER: return static_cast<double>(o.via.i64);
        default: return std::nullopt;
    }
}

std::optional<WireEntry> entryOf(const msgpack::object& o) {
    if (o.type != msgpack::type::MAP) return std::nullopt;
    WireEntry entry;
    bool hasValue = false;
    for (const auto& kv : o.via.map) {
        if (kv.key.type != msgpack::type::STR) return std::nullopt;
        std::string name = kv.key.as<std::string>();
        if (name == "title" || name == "unit" || name == "type") {
            if (kv.val.type != msgpack::type::STR) return std::nullopt;
            std::string text = kv.val.as<std::string>();
            (name == "title" ? entry.title : name == "unit" ? entry.unit : entry.type) = text;
        } else if (name == "value") {
            auto n = numberOf(kv.val);
            if (!n) return std::nullopt;
            entry.value = *n;
            hasValue = true;
        } else if (name == "minvalue") {
            entry.minvalue = numberOf(kv.val);
        } else if (name == "maxvalue") {
            entry.maxvalue = numberOf(kv.val);
        }
    }
    if (!hasValue) return std::nullopt;
    return entry;
}

std::optional<msgpack::object_handle> unpack(const Bytes& payload) {
    try {
        return msgpack::unpack(reinterpret_cast<const char*>(payload.data()), payload.size());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

int connectTo(const std::filesystem::path& socketPath, std::chrono::milliseconds retryFor) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.native().size() >= sizeof(addr.sun_path)) return -1;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.native().size() + 1);
    const auto deadline = Clock::now() + retryFor;
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return -1;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) return fd;
        ::close(fd);
        if (Clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void closeFd(int fd) {
    if (fd >= 0) ::close(fd);
}

bool sendAll(int fd, const Bytes& bytes, std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (!waitFor(fd, POLLOUT, deadline)) return false;
        ssize_t r = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (r < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        sent += static_cast<std::size_t>(r);
    }
    return true;
}

std::optional<Bytes> readFrame(int fd, std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    uint8_t header[platform::ipc::kFrameHeaderBytes];
    if (!readExactly(fd, header, sizeof header, deadline)) return std::nullopt;
    const uint32_t length = platform::ipc::announcedLength(header);
    if (length > (16u << 20)) return std::nullopt;
    Bytes payload(length);
    if (!readExactly(fd, payload.data(), length, deadline)) return std::nullopt;
    return payload;
}

bool waitForClose(int fd, std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    uint8_t sink[4096];
    for (;;) {
        if (!waitFor(fd, POLLIN, deadline)) return false;
        ssize_t r = ::recv(fd, sink, sizeof sink, 0);
        if (r == 0) return true;
        if (r < 0 && errno != EINTR && errno != EAGAIN) return true;
    }
}

std::optional<WireModel> decodeReply(const Bytes& payload) {
    auto handle = unpack(payload);
    if (!handle) return std::nullopt;
    const msgpack::object& root = handle->get();
    if (root.type != msgpack::type::MAP || root.via.map.size != 1) return std::nullopt;
    const auto& top = root.via.map.ptr[0];
    if (top.key.type != msgpack::type::STR || top.key.as<std::string>() != platform::ipc::kReplyField) return std::nullopt;
    if (top.val.type != msgpack::type::MAP) return std::nullopt;
    WireModel model;
    for (const auto& kv : top.val.via.map) {
        if (kv.key.type != msgpack::type::STR) return std::nullopt;
        auto entry = entryOf(kv.val);
        if (!entry) return std::nullopt;
        model.emplace(kv.key.as<std::string>(), *entry);
    }
    return model;
}

bool isErrorReply(const Bytes& payload) {
    auto handle = unpack(payload);
    if (!handle) return false;
    const msgpack::object& root = handle->get();
    return root.type == msgpack::type::MAP && root.via.map.size == 1 &&
           root.via.map.ptr[0].key.type == msgpack::type::STR &&
           root.via.map.ptr[0].key.as<std::string>() == platform::ipc::kErrorField;
}

std::optional<WireModel> fetchModel(const std::filesystem::path& socketPath, std::chrono::milliseconds timeout) {
    int fd = connectTo(socketPath);
    if (fd < 0) return std::nullopt;
    std::optional<WireModel> model;
    if (sendAll(fd, platform::ipc::getModelDataRequestFrame(), timeout)) {
        if (auto payload = readFrame(fd, timeout)) model = decodeReply(*payload);
    }
    closeFd(fd);
    return model;
}

}  // namespace vrl::test
