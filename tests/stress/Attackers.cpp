#include "tests/stress/Attackers.h"

#include <msgpack.hpp>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "tests/stress/ServiceWire.h"

namespace vrl::stress {
namespace {

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
        packed([](auto& p) { p.pack(std::string("getModelDatawithReply:")); }),
        packed([](auto& p) { p.pack_nil(); }),
        packed([](auto& p) { p.pack_double(1.5); }),
        packed([](auto& p) { p.pack_bin(3); p.pack_bin_body("abc", 3); }),
    };
}

// Sends, then expects the service to hang up; anything it answers is read and
// judged: model data in answer to garbage is misbehaviour.
void sendAndExpectClose(const std::string& socketPath, const Bytes& bytes, AttackCounters& counters) {
    int fd = connectTo(socketPath);
    if (fd < 0) return;
    ++counters.attempts;
    sendAll(fd, bytes, milliseconds(500));
    for (;;) {
        auto reply = readFrame(fd, milliseconds(2000));
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
            bytes = frame(body);
        }
        sendAndExpectClose(socketPath, bytes, counters);
    }
}

void hugeLengthAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters) {
    const uint32_t lengths[] = {0xffffffffu, 0x7fffffffu, 1u << 20, 4097u};
    std::size_t i = 0;
    while (!stop) {
        uint32_t n = lengths[i++ % std::size(lengths)];
        Bytes bytes{static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                    static_cast<uint8_t>(n)};
        bytes.resize(bytes.size() + 2048, 0x90);
        sendAndExpectClose(socketPath, bytes, counters);
    }
}

void truncatedFrameAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters) {
    Bytes whole = frame(requestPayload());
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
    }
}

void wrongShapeAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters) {
    auto shapes = wrongShapes();
    std::size_t i = 0;
    while (!stop) {
        sendAndExpectClose(socketPath, frame(shapes[i++ % shapes.size()]), counters);
        // An unknown method is answered with an error and the connection stays.
        int fd = connectTo(socketPath);
        if (fd < 0) continue;
        ++counters.attempts;
        if (!sendAll(fd, frame(requestPayload("deleteEverything:")), milliseconds(500))) {
            closeFd(fd);
            continue;
        }
        auto error = readFrame(fd, milliseconds(2000));
        if (!error) {
            // Turned away unanswered: only right while the crowd fills every slot.
            if (waitForClose(fd, milliseconds(1))) ++counters.closedByService;
            else ++counters.misbehaved;
        } else if (!isErrorReply(*error)) {
            ++counters.misbehaved;
        } else {
            bool served = sendAll(fd, frame(requestPayload()), milliseconds(500));
            auto reply = served ? readFrame(fd, milliseconds(2000)) : std::nullopt;
            if (!reply || !decodeReply(*reply)) ++counters.misbehaved;
        }
        closeFd(fd);
    }
}

void nonReaderAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters) {
    Bytes burst;
    Bytes one = frame(requestPayload());
    for (int i = 0; i < 256; ++i) burst.insert(burst.end(), one.begin(), one.end());
    while (!stop) {
        int fd = connectTo(socketPath);
        if (fd < 0) continue;
        ++counters.attempts;
        auto giveUp = Clock::now() + std::chrono::seconds(10);
        bool dropped = false;
        while (!stop && Clock::now() < giveUp) {
            if (!sendAll(fd, burst, milliseconds(200))) {
                // Either the service hung up, or our own send buffer is full
                // because it stopped reading: both end when it drops us.
                dropped = waitForClose(fd, milliseconds(3000));
                break;
            }
        }
        if (dropped) ++counters.closedByService;
        else if (!stop) ++counters.misbehaved;
        closeFd(fd);
    }
}

void idleCrowd(const std::string& socketPath, int size, const StopFlag& stop, CrowdCounters& counters) {
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
        long kept = 0;
        for (int fd : fds) {
            if (waitForClose(fd, milliseconds(0))) ++counters.closedByService;
            else ++kept;
            closeFd(fd);
        }
        counters.heldOpen += kept;
        if (kept > counters.mostKeptAtOnce) counters.mostKeptAtOnce = kept;
        std::this_thread::sleep_for(milliseconds(500));
    }
}

void gateProbe(const std::string& socketPath, const StopFlag& stop, GateCounters& counters) {
    Bytes request = frame(requestPayload());
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
