#pragma once
// The listening endpoint: handed over by systemd socket activation, or bound
// here. A socket file bound here is removed again when the listener goes away.
#include <filesystem>
#include <memory>
#include <string>

#include <asio/io_context.hpp>
#include <asio/local/stream_protocol.hpp>

#include "platform/foundation/Result.h"

namespace platform::ipc {

class UnixListener {
public:
    using Acceptor = asio::local::stream_protocol::acceptor;

    // The one stream socket systemd passed; nullptr when nothing was passed.
    // Fails when what was passed is not one listening Unix stream socket.
    static Result<std::unique_ptr<UnixListener>> fromActivation(asio::io_context& io);
    // A socket bound and listening at path, open to every user. A stale
    // socket file there is replaced; fails, leaving it, when anything else is
    // at the path or another service listens on it.
    static Result<std::unique_ptr<UnixListener>> bindTo(asio::io_context& io, const std::filesystem::path& path);
    ~UnixListener();
    UnixListener(const UnixListener&) = delete;
    UnixListener& operator=(const UnixListener&) = delete;

    Acceptor& acceptor() { return acceptor_; }
    const std::string& description() const { return description_; }

private:
    UnixListener(Acceptor acceptor, std::string description, std::filesystem::path ownedFile);

    Acceptor acceptor_;
    std::string description_;
    std::filesystem::path ownedFile_;
};

}  // namespace platform::ipc
