#include "platform/network/CurlHttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include <asio/post.hpp>

namespace platform::network {
namespace {

// Shared by the worker and the tasks it posts; the flag is set and read on
// the main thread's side before any delegate call, so a cancelled transfer
// never reaches its delegate again.
struct TransferState {
    std::atomic<bool> cancelled{false};
};

class CurlConnection : public HttpConnection {
public:
    CurlConnection(asio::io_context& io, HttpRequest request, HttpConnectionDelegate& delegate)
        : io_(io), request_(std::move(request)), delegate_(delegate) {
        worker_ = std::thread([this] { run(); });
    }

    ~CurlConnection() override {
        cancel();
        if (worker_.joinable()) worker_.join();
    }

    void cancel() override { state_->cancelled = true; }

private:
    using Event = std::function<void(HttpConnectionDelegate&)>;

    void post(Event event) {
        asio::post(io_, [state = state_, delegate = &delegate_, event = std::move(event)] {
            if (!state->cancelled) event(*delegate);
        });
    }

    void configure(CURL* easy) {
        curl_easy_setopt(easy, CURLOPT_URL, request_.url.string().c_str());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request_.timeout.count()));
        // Silence for the whole timeout counts as a stalled connection.
        const long idleSeconds = std::max<long>(1, static_cast<long>((request_.timeout.count() + 999) / 1000));
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, idleSeconds);
        // A server that trickles bytes would otherwise hold the transfer for good.
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(request_.deadline.count()));
        if (!request_.userAgent.empty()) curl_easy_setopt(easy, CURLOPT_USERAGENT, request_.userAgent.c_str());
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlConnection::onWrite);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CurlConnection::onProgress);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    }

    void run() {
        CURL* easy = curl_easy_init();
        if (easy == nullptr) {
            postFailure("libcurl could not start a transfer");
            return;
        }
        easy_ = easy;
        configure(easy);
        char message[CURL_ERROR_SIZE] = "";
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, message);
        const CURLcode result = curl_easy_perform(easy);
        if (result == CURLE_OK) {
            postResponseOnce();
            post([](HttpConnectionDelegate& d) { d.connectionDidFinishLoading(); });
        } else if (!rejectedStatus_) {
            postFailure(failureReason(result, message));
        }
        easy_ = nullptr;
        curl_easy_cleanup(easy);
    }

    void postFailure(std::string reason) {
        post([reason = std::move(reason)](HttpConnectionDelegate& d) { d.connectionDidFailWithError(reason); });
    }

    // libcurl's detailed message where it gave one, its code's text otherwise;
    // the body limit is ours, so it is said in our words.
    std::string failureReason(CURLcode result, const char* message) const {
        if (bodyTooLong_) return "the body is longer than " + std::to_string(request_.maxBody) + " bytes";
        return message[0] != '\0' ? message : curl_easy_strerror(result);
    }

    void postResponseOnce() {
        if (responsePosted_) return;
        responsePosted_ = true;
        long status = 0;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
        rejectedStatus_ = status != 200;
        post([status](HttpConnectionDelegate& d) { d.connectionDidReceiveResponse(status); });
    }

    static size_t onWrite(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<CurlConnection*>(user);
        const size_t length = size * count;
        self->postResponseOnce();
        // After a refused status the delegate cancels; stop reading at once.
        if (self->rejectedStatus_ || self->state_->cancelled) return 0;
        if (length > self->request_.maxBody - self->received_) {
            self->bodyTooLong_ = true;
            return 0;
        }
        self->received_ += length;
        post(self, std::string(data, length));
        return length;
    }

    static void post(CurlConnection* self, std::string chunk) {
        self->post([chunk = std::move(chunk)](HttpConnectionDelegate& d) { d.connectionDidReceiveData(chunk); });
    }

    static int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        return static_cast<CurlConnection*>(user)->state_->cancelled ? 1 : 0;
    }

    asio::io_context& io_;
    HttpRequest request_;
    HttpConnectionDelegate& delegate_;
    std::shared_ptr<TransferState> state_ = std::make_shared<TransferState>();
    // Worker-only fields.
    CURL* easy_ = nullptr;
    bool responsePosted_ = false;
    bool rejectedStatus_ = false;
    bool bodyTooLong_ = false;
    std::size_t received_ = 0;
    std::thread worker_;
};

}  // namespace

// libcurl counts its global initialisations, and this build's is thread-safe,
// so each client can hold one of its own.
CurlHttpClient::CurlHttpClient(asio::io_context& io) : io_(io) { curl_global_init(CURL_GLOBAL_DEFAULT); }

CurlHttpClient::~CurlHttpClient() { curl_global_cleanup(); }

std::unique_ptr<HttpConnection> CurlHttpClient::start(const HttpRequest& request, HttpConnectionDelegate& delegate) {
    return std::make_unique<CurlConnection>(io_, request, delegate);
}

}  // namespace platform::network
