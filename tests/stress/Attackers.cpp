#include "tests/stress/Attackers.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

#include <msgpack.hpp>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "tests/support/ServiceWire.h"

namespace vrl::stress {
namespace {

using namespace vrl::test;
using platform::ipc::framed;
using platform::ipc::getModelDataRequestFrame;
using std::chrono::milliseconds;

Bytes packed(const std::function<void(msgpack::packer<msgpack::sbuffer>&)>& write) {
    msgpack::sbuffer buffer;
    msgpack::packer<msgpack::sbuffer> packer(buffer);
    write(packer);
    return Bytes(buffer.data(), buffer.data() + buffer.size());
}

// Valid MessagePack that is not a request map: each must end the connection.
std::vector<Bytes> wrongShapes() {
    return {
        packed([](auto& p) { p.pack_array(2); p.pack(1); p.pack(2); }),
        packed([](auto& p) { p.pack(42); }),
        packed([](auto& p) { p.pack(std::string(platform::ipc::kMethodGetModelData)); }),
        packed([](auto& p) { p.pack_nil(); }),
        packed([](auto& p) { p.pack_double(1.5); }),
        packed([](auto& p) { p.pack_bin(3); p.pack_bin_body("abc", 3); }),
    };
}

// A well-formed request for a method the service does not offer.
Bytes unknownMethodRequest() {
    return packed([](auto& p) {
        p.pack_map(1);
        p.pack(std::string(platform::ipc::kMethodField));
        p.pack(std::string("deleteEverything:"));
    });
}

enum class AfterSending { keepOpen, halfClose };

// Sends, then expects the service to hang up; anything it answers is read and
// judged: model data in answer to garbage is misbehaviour. Garbage can look
// like the start of a frame that has not all arrived, which the service rightly
// waits for: half-closing then tells it that no more will come.
void sendAndExpectClose(const std::string& socketPath, const Bytes& bytes, AttackCounters& counters,
                        AfterSending after = AfterSending::keepOpen) {
    int fd = connectTo(socketPath);
    if (fd < 0) return;
    ++counters.attempts;
    sendAll(fd, bytes, milliseconds(500));
    if (after == AfterSending::halfClose) ::shutdown(fd, SHUT_WR);
    for (;;) {
        auto reply = readFrame(fd, milliseconds(5000));
        if (!reply) break;
        if (decodeReply(*reply)) {
            ++counters.misbehaved;
            closeFd(fd);
            return;
        }
    }
    // readFrame fails both on close and on timeout: tell them apart.
    if (waitForClose(fd, milliseconds(1))) ++counters.closedByService;
    else ++counters.misbehaved;
    closeFd(fd);
}

}  // namespace

void randomBytesAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters) {
    std::mt19937 random(std::random_device{}());
    while (!stop) {
        Bytes bytes(1 + random() % 6000);
        for (auto& b : bytes) b = static_cast<uint8_t>(random());
        // A length that fits: the payload is the garbage, not the prefix.
        if (random() % 2) {
            Bytes body(bytes.begin(), bytes.begin() + static_cast<long>(std::min<std::size_t>(bytes.size(), 4000)));
            body[0] = 0xc1;  // never used in MessagePack: the payload cannot decode
            bytes = framed(body);
        }
        sendAndExpectClose(socketPath, bytes, counters, AfterSending::halfClose);
    }
}

void hugeLengthAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters) {
    const uint32_t lengths[] = {0xffffffffu, 0x7fffffffu, 1u << 20, 4097u};
    std::size_t i = 0;
    while (!stop) {
        uint32_t n = lengths[i++ % std::size(lengths)];
        Bytes bytes(4 + 2048, 0x90);
        for (int b = 0; b < 4; ++b) bytes[b] = static_cast<uint8_t>(n >> (24 - 8 * b));
        sendAndExpectClose(socketPath, bytes, counters);
    }
}

void truncatedFrameAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters) {
    Bytes whole = getModelDataRequestFrame();
    std::size_t cut = 1;
    while (!stop) {
        int fd = connectTo(socketPath);
        if (fd < 0) continue;
        ++counters.attempts;
        Bytes part(whole.begin(), whole.begin() + static_cast<long>(cut));
        cut = cut % (whole.size() - 1) + 1;
        sendAll(fd, part, milliseconds(500));
        // Hanging up mid-frame must cost the service nothing it keeps.
        closeFd(fd);
        ++counters.closedByService;
        // Paced, so that the flood tests the frames and not the scheduler.
        std::this_thread::sleep_for(milliseconds(1));
    }
}

void wrongShapeAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters) {
    auto shapes = wrongShapes();
    std::size_t i = 0;
    while (!stop) {
        sendAndExpectClose(socketPath, framed(shapes[i++ % shapes.size()]), counters);
        // An unknown method is answered with an error and the connection stays.
        int fd = connectTo(socketPath);
        if (fd < 0) continue;
        ++counters.attempts;
        if (!sendAll(fd, framed(unknownMethodRequest()), milliseconds(500))) {
            closeFd(fd);
            continue;
        }
        auto error = readFrame(fd, milliseconds(5000));
        if (!error) {
            // Turned away unanswered: only right while the crowd fills every slot.
            if (waitForClose(fd, milliseconds(1))) ++counters.closedByService;
            else ++counters.misbehaved;
        } else if (!isErrorReply(*error)) {
            ++counters.misbehaved;
        } else {
            bool served = sendAll(fd, getModelDataRequestFrame(), milliseconds(500));
            auto reply = served ? readFrame(fd, milliseconds(5000)) : std::nullopt;
            if (!reply || !decodeReply(*reply)) ++counters.misbehaved;
        }
        closeFd(fd);
    }
}

// Sends without ever reading until the service hangs up (a reset or hang-up
// on our side) or the deadline passes; false in the latter case.
bool floodUntilDropped(int fd, const Bytes& burst, Clock::time_point deadline, const StopFlag& stop) {
    std::size_t offset = 0;
    while (!stop && Clock::now() < deadline) {
        ssize_t r = ::send(fd, burst.data() + offset, burst.size() - offset, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (r >= 0) {
            offset = (offset + static_cast<std::size_t>(r)) % burst.size();
            continue;
        }
        if (errno == EPIPE || errno == ECONNRESET) return true;
        if (errno != EAGAIN && errno != EINTR) return true;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 100);
        if (p.revents & (POLLHUP | POLLERR)) return true;
    }
    return false;
}

void nonReaderAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters) {
    Bytes burst;
    Bytes one = getModelDataRequestFrame();
    for (int i = 0; i < 256; ++i) burst.insert(burst.end(), one.begin(), one.end());
    while (!stop) {
        int fd = connectTo(socketPath);
        if (fd < 0) continue;
        ++counters.attempts;
        if (floodUntilDropped(fd, burst, Clock::now() + std::chrono::seconds(10), stop)) ++counters.closedByService;
        else if (!stop) ++counters.misbehaved;
        closeFd(fd);
    }
}

void idleCrowd(const std::string& socketPath, int size, const StopFlag& stop, CrowdCounters& counters) {
    const Bytes request = getModelDataRequestFrame();
    while (!stop) {
        std::vector<int> fds;
        for (int i = 0; i < size && !stop; ++i) {
            int fd = connectTo(socketPath);
            if (fd < 0) {
                ++counters.failedToConnect;
                continue;
            }
            ++counters.opened;
            fds.push_back(fd);
        }
        std::this_thread::sleep_for(milliseconds(1000));
        // Then each asks once: no more than the limit may be served together.
        for (int fd : fds) sendAll(fd, request, milliseconds(100));
        long served = 0;
        auto deadline = Clock::now() + std::chrono::seconds(3);
        for (int fd : fds) {
            auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
            auto reply = readFrame(fd, std::max(left, milliseconds(1)));
            if (reply && decodeReply(*reply)) ++served;
            else if (waitForClose(fd, milliseconds(0))) ++counters.closedByService;
        }
        // Closed only now: a slot freed early would let a waiting one in.
        for (int fd : fds) closeFd(fd);
        counters.heldOpen += served;
        if (served > counters.mostKeptAtOnce) counters.mostKeptAtOnce = served;
        std::this_thread::sleep_for(milliseconds(500));
    }
}

void gateProbe(const std::string& socketPath, const StopFlag& stop, GateCounters& counters) {
    Bytes request = getModelDataRequestFrame();
    while (!stop) {
        int fd = connectTo(socketPath);
        if (fd < 0) continue;
        sendAll(fd, request, milliseconds(200));
        auto reply = readFrame(fd, milliseconds(2000));
        if (reply) ++counters.admitted;
        else ++counters.refused;
        closeFd(fd);
    }
}

}  // namespace vrl::stress
