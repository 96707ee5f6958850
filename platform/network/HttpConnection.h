#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/network/Url.h"

namespace platform::network {

struct HttpRequest {
    Url url;
    std::chrono::milliseconds timeout{30000};    // connecting, and silence while receiving
    std::chrono::milliseconds deadline{300000};  // the whole transfer
    std::size_t maxBody = 16u << 20;             // a longer body fails the transfer
    std::string userAgent;
};

// Hears one transfer on the main thread, in order: one response, body chunks,
// then either the end or a failure. Nothing arrives after cancel().
class HttpConnectionDelegate {
public:
    virtual ~HttpConnectionDelegate() = default;
    // status is absent for a response without an HTTP status (a non-HTTP URL).
    virtual void connectionDidReceiveResponse(std::optional<long> status) = 0;
    virtual void connectionDidReceiveData(std::string_view chunk) = 0;
    virtual void connectionDidFinishLoading() = 0;
    // `reason` is the transport's own words for the failure ("Could not
    // resolve host: example.invalid", "Maximum (5) redirects followed").
    virtual void connectionDidFailWithError(const std::string& reason) = 0;
};

// A running transfer, owned by whoever started it; main thread only.
// Destroying it cancels it and waits for its worker.
class HttpConnection {
public:
    virtual ~HttpConnection() = default;
    virtual void cancel() = 0;
};

// Starts transfers. CurlHttpClient is the real one, built once by the
// application's main function.
//
// Contract: start() on the main thread; it never blocks on the network and
// never throws. Every transport failure (an unsupported URL, no connection, a
// timeout, a body over maxBody) reaches the delegate as
// connectionDidFailWithError.
// Requires: the delegate outlives the connection.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    virtual std::unique_ptr<HttpConnection> start(const HttpRequest& request,
                                                  HttpConnectionDelegate& delegate) = 0;
};

}  // namespace platform::network
