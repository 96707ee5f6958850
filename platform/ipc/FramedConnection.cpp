#include "platform/ipc/FramedConnection.h"

#include <algorithm>

#include <asio/read.hpp>
#include <asio/write.hpp>

namespace platform::ipc {

Frame framed(const std::vector<uint8_t>& payload) {
    const auto size = static_cast<uint32_t>(payload.size());
    Frame frame(4 + payload.size());
    for (int i = 0; i < 4; ++i) frame[i] = static_cast<uint8_t>(size >> (24 - 8 * i));
    std::copy(payload.begin(), payload.end(), frame.begin() + 4);
    return frame;
}

FramedConnection::FramedConnection(Socket socket, ConnectionLimits limits, FrameHandler onFrame,
                                   CloseHandler onClose)
    : socket_(std::move(socket)), limits_(limits), onFrame_(std::move(onFrame)), onClose_(std::move(onClose)) {}

void FramedConnection::start() { readHeader(); }

void FramedConnection::readHeader() {
    asio::async_read(socket_, asio::buffer(header_), [self = shared_from_this()](std::error_code ec, std::size_t) {
        if (ec) return self->close();
        const std::size_t length = (std::size_t{self->header_[0]} << 24) | (std::size_t{self->header_[1]} << 16) |
                                   (std::size_t{self->header_[2]} << 8) | std::size_t{self->header_[3]};
        if (length > self->limits_.maxFrameBytes) return self->close();
        self->readPayload(length);
    });
}

void FramedConnection::readPayload(std::size_t length) {
    payload_.resize(length);
    asio::async_read(socket_, asio::buffer(payload_), [self = shared_from_this()](std::error_code ec, std::size_t) {
        if (ec || self->closed_) return self->close();
        if (!self->onFrame_(*self, self->payload_)) return self->close();
        if (!self->closed_) self->readHeader();
    });
}

void FramedConnection::send(SharedFrame frame) {
    if (closed_) return;
    unsentBytes_ += frame->size();
    // A client that stops reading must not make the service hold its replies for ever.
    if (unsentBytes_ > limits_.maxUnsentBytes) return close();
    outgoing_.push_back(std::move(frame));
    if (!writing_) writeNext();
}

void FramedConnection::writeNext() {
    if (outgoing_.empty() || closed_) {
        writing_ = false;
        return;
    }
    writing_ = true;
    asio::async_write(socket_, asio::buffer(*outgoing_.front()),
                      [self = shared_from_this()](std::error_code ec, std::size_t written) {
                          if (ec) return self->close();
                          self->unsentBytes_ -= written;
                          self->outgoing_.pop_front();
                          self->writeNext();
                      });
}

void FramedConnection::close() {
    if (closed_) return;
    closed_ = true;
    std::error_code ec;
    socket_.close(ec);
    outgoing_.clear();
    if (onClose_) onClose_(*this);
}

}  // namespace platform::ipc
