#pragma once
// One client connection carrying length-prefixed frames: a 4-byte big-endian
// length, then that many bytes. Reading and writing run on the io_context;
// the owner learns of each frame and of the end of the connection.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include <asio/local/stream_protocol.hpp>

namespace platform::ipc {

using Frame = std::vector<uint8_t>;
using SharedFrame = std::shared_ptr<const Frame>;

struct ConnectionLimits {
    std::size_t maxFrameBytes = 4096;
    std::size_t maxUnsentBytes = 1024 * 1024;
};

// A length prefix followed by the payload.
Frame framed(const std::vector<uint8_t>& payload);

class FramedConnection : public std::enable_shared_from_this<FramedConnection> {
public:
    using Socket = asio::local::stream_protocol::socket;
    // Returns false to end the connection.
    using FrameHandler = std::function<bool(FramedConnection&, const Frame& payload)>;
    using CloseHandler = std::function<void(FramedConnection&)>;

    FramedConnection(Socket socket, ConnectionLimits limits, FrameHandler onFrame, CloseHandler onClose);

    void start();
    // Queues an already framed message; the same bytes may go to many clients.
    void send(SharedFrame frame);
    void close();

private:
    void readHeader();
    void readPayload(std::size_t length);
    void writeNext();

    Socket socket_;
    ConnectionLimits limits_;
    FrameHandler onFrame_;
    CloseHandler onClose_;
    uint8_t header_[4] = {};
    Frame payload_;
    std::deque<SharedFrame> outgoing_;
    std::size_t unsentBytes_ = 0;
    bool writing_ = false;
    bool closed_ = false;
};

}  // namespace platform::ipc
