#include "sensor-service/server/transport/Connection.h"

#include <cstring>

#include <asio/write.hpp>

#include "sensor-service/server/transport/ConnectionManager.h"
#include "sensor-service/server/protocol/RequestHandler.h"

namespace vrl {

using platform::ipc::kFrameHeaderBytes;
using platform::ipc::SharedFrame;

Connection::Connection(Socket socket, ConnectionManager& manager, const RequestHandler& handler)
    : socket_(std::move(socket)), manager_(manager), handler_(handler) {}

void Connection::start() { readSome(); }

void Connection::stop() {
    if (stopped_) return;
    stopped_ = true;
    std::error_code ignored;
    socket_.close(ignored);
    outgoing_.clear();
}

void Connection::end() { manager_.stop(shared_from_this()); }

void Connection::readSome() {
    auto space = asio::buffer(buffer_.data() + buffered_, buffer_.size() - buffered_);
    socket_.async_read_some(space, [self = shared_from_this()](std::error_code ec, std::size_t read) {
        if (self->stopped_) return;
        if (ec) return self->end();
        self->buffered_ += read;
        if (!self->answerWholeFrames()) return self->end();
        self->readSome();
    });
}

bool Connection::answerWholeFrames() {
    std::size_t consumed = 0;
    while (buffered_ - consumed >= kFrameHeaderBytes) {
        const uint8_t* frame = buffer_.data() + consumed;
        const uint32_t length = platform::ipc::announcedLength(frame);
        if (length > platform::ipc::kMaxRequestPayloadBytes) return false;
        if (buffered_ - consumed < kFrameHeaderBytes + length) break;
        SharedFrame answer = handler_.handleRequest({frame + kFrameHeaderBytes, length});
        if (!answer || !send(std::move(answer))) return false;
        consumed += kFrameHeaderBytes + length;
    }
    // The buffer holds a whole largest frame, so a partial one always fits after this move.
    std::memmove(buffer_.data(), buffer_.data() + consumed, buffered_ - consumed);
    buffered_ -= consumed;
    return true;
}

bool Connection::send(SharedFrame frame) {
    unsentBytes_ += frame->size();
    // A client that asks without reading must not make the service hold replies for ever.
    if (unsentBytes_ > kMaxUnsentReplyBytes) return false;
    outgoing_.push_back(std::move(frame));
    if (!writing_) writeNext();
    return true;
}

void Connection::writeNext() {
    if (outgoing_.empty()) {
        writing_ = false;
        return;
    }
    writing_ = true;
    asio::async_write(socket_, asio::buffer(*outgoing_.front()),
                      [self = shared_from_this()](std::error_code ec, std::size_t written) {
                          if (self->stopped_) return;
                          if (ec) return self->end();
                          self->unsentBytes_ -= written;
                          self->outgoing_.pop_front();
                          self->writeNext();
                      });
}

}  // namespace vrl
