#pragma once

// A standard header first, so asio sees the same library configuration (its
// aligned allocator) in every translation unit.
#include <memory>

#include <asio/io_context.hpp>

#include "platform/network/HttpConnection.h"

namespace platform::network {

// libcurl easy transfers, each on its own worker thread, with every callback
// posted back to the io_context that runs the main thread.
//
// Contract: that of HttpClient. Requires: `io` outlives the client, and the
// client every connection it started.
class CurlHttpClient : public HttpClient {
public:
    explicit CurlHttpClient(asio::io_context& io);
    ~CurlHttpClient() override;
    CurlHttpClient(const CurlHttpClient&) = delete;
    CurlHttpClient& operator=(const CurlHttpClient&) = delete;
    std::unique_ptr<HttpConnection> start(const HttpRequest& request,
                                          HttpConnectionDelegate& delegate) override;

private:
    asio::io_context& io_;
};

}  // namespace platform::network
