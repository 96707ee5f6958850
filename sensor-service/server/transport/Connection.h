#pragma once
// One admitted client. It reads whatever has arrived with one read, answers
// every whole request frame in it, and keeps a partial frame for the next
// read; replies are shared immutable frames queued for writing. A request that
// arrives whole therefore costs one read and one write.
#include <array>
#include <cstddef>
#include <deque>
#include <memory>

#include <asio/local/stream_protocol.hpp>

#include "platform/ipc/WireProtocol.h"

namespace vrl {

class ConnectionManager;
class RequestHandler;

inline constexpr std::size_t kMaxUnsentReplyBytes = 1024 * 1024;

class Connection : public std::enable_shared_from_this<Connection> {
public:
    using Socket = asio::local::stream_protocol::socket;

    // Requires manager and handler to outlive the connection's handlers (they
    // run on the serving io_context, which must be stopped first).
    Connection(Socket socket, ConnectionManager& manager, const RequestHandler& handler);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Serving thread: begin reading requests.
    void start();
    // Serving thread: close the socket; pending handlers then end quietly.
    void stop();

private:
    void readSome();
    // False when a frame is malformed or too large: the connection must end.
    bool answerWholeFrames();
    bool send(platform::ipc::SharedFrame frame);
    void writeNext();
    void end();

    Socket socket_;
    ConnectionManager& manager_;
    const RequestHandler& handler_;
    std::array<uint8_t, platform::ipc::kFrameHeaderBytes + platform::ipc::kMaxRequestPayloadBytes> buffer_{};
    std::size_t buffered_ = 0;
    std::deque<platform::ipc::SharedFrame> outgoing_;
    std::size_t unsentBytes_ = 0;
    bool writing_ = false;
    bool stopped_ = false;
};

}  // namespace vrl
