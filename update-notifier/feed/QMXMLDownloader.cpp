#include "update-notifier/feed/QMXMLDownloader.h"

#include <string>

#include <asio/post.hpp>

#include "platform/network/ReachabilityFlags.h"
#include "update-notifier/feed/FeedText.h"

namespace qm {

namespace {

constexpr const char* kUserAgent = "vrlupdatenotifier/" VRL_VERSION;
constexpr const char* kNoAddress = "no feed address (no usable \"SUFeedURL\" in the host's Info.plist)";

}  // namespace

QMXMLDownloader::QMXMLDownloader(asio::io_context& io, platform::network::Reachability& reachability,
                                 platform::network::HttpClient& http, QMXMLDownloaderDelegate& delegate,
                                 std::optional<platform::network::Url> xmlURL, Options options)
    : io_(io),
      _xmlURL(std::move(xmlURL)),
      options_(options),
      reachability_(reachability),
      http_(http),
      delegate_(delegate) {}

QMXMLDownloader::~QMXMLDownloader() {
    *alive_ = false;
    connection_.reset();
    joinReachabilityWorker();
}

void QMXMLDownloader::joinReachabilityWorker() {
    if (reachabilityWorker_.joinable()) reachabilityWorker_.join();
}

void QMXMLDownloader::checkIfInternetConnection() {
    joinReachabilityWorker();
    reachabilityWorker_ = std::thread([this, alive = alive_] {
        checkReachability();
        // The hand-off through the io_context orders the flag's write before
        // the delegate reads it on the main thread.
        asio::post(io_, [this, alive] {
            if (*alive) delegate_.internetConnectedContinueCheckForUpdate();
        });
    });
}

void QMXMLDownloader::checkReachability() {
    const std::string host = _xmlURL ? _xmlURL->host() : std::string();
    const std::uint32_t flags = host.empty() ? 0 : reachability_.flagsForHost(host);
    isNetWorkReachable_ = platform::network::flagsMeanReachable(flags);
    if (isNetWorkReachable_) failureReason_.clear();
    else failureReason_ = host.empty() ? std::string(kNoAddress) : "the feed's host " + host + " is unreachable";
}

void QMXMLDownloader::startDownload() {
    xmlcontent_ = std::string();
    failureReason_.clear();
    connection_.reset();
    if (!_xmlURL) {
        asio::post(io_, [this, alive = alive_] {
            if (*alive) connectionDidFailWithError(kNoAddress);
        });
        return;
    }
    platform::network::HttpRequest request{*_xmlURL, options_.timeout, options_.deadline, options_.maxBody,
                                           kUserAgent};
    connection_ = http_.start(request, *this);
}

void QMXMLDownloader::connectionDidReceiveResponse(std::optional<long> status) {
    if (status && *status != 200) {
        failureReason_ = "HTTP status " + std::to_string(*status);
        if (connection_) connection_->cancel();
        finishTransfer();
        return;
    }
    mdata.clear();
}

void QMXMLDownloader::connectionDidReceiveData(std::string_view chunk) { mdata.append(chunk); }

void QMXMLDownloader::connectionDidFinishLoading() {
    xmlcontent_ = feedTextFromBody(mdata);
    if (!xmlcontent_) failureReason_ = "the body is not valid UTF-8";
    finishTransfer();
}

void QMXMLDownloader::connectionDidFailWithError(const std::string& reason) {
    failureReason_ = reason;
    finishTransfer();
}

void QMXMLDownloader::finishTransfer() {
    mdata.clear();
    mdata.shrink_to_fit();
    // The transfer has ended, so dropping it only joins its finished worker.
    connection_.reset();
    delegate_.downloadFinished();
}

}  // namespace qm
