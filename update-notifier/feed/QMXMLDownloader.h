#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include <asio/io_context.hpp>

#include "platform/network/HttpConnection.h"
#include "platform/network/Reachability.h"
#include "platform/network/Url.h"
#include "update-notifier/feed/QMXMLDownloaderDelegate.h"

namespace qm {

// Declared outside the class so that it can serve as a default argument of
// the class's own constructor.
struct QMXMLDownloaderOptions {
    std::chrono::milliseconds timeout{30000};
    std::chrono::milliseconds deadline{300000};
    std::size_t maxBody = 16u << 20;
};

// Fetches the feed in two stages the coordinator asks for separately: a
// reachability test off the main thread, then the download.
//
// Contract: every call and every delegate message on the thread that runs
// `io`; at most one test or download at a time (the coordinator's check
// cycles do not overlap). Destroying it (on that thread) joins a
// running reachability test and drops a running download unreported. The
// transfers identify themselves as "vrlupdatenotifier/<version>".
class QMXMLDownloader final : public platform::network::HttpConnectionDelegate {
public:
    using Options = QMXMLDownloaderOptions;

    // No network activity. An absent URL makes every test unreachable and
    // every download fail. Requires: `io`, `reachability`, `http` and
    // `delegate` outlive the downloader, and `http` delivers on the thread
    // that runs `io`.
    QMXMLDownloader(asio::io_context& io, platform::network::Reachability& reachability,
                    platform::network::HttpClient& http, QMXMLDownloaderDelegate& delegate,
                    std::optional<platform::network::Url> xmlURL, Options options = {});
    ~QMXMLDownloader() override;
    QMXMLDownloader(const QMXMLDownloader&) = delete;
    QMXMLDownloader& operator=(const QMXMLDownloader&) = delete;

    // Returns at once; tests off the main thread whether the feed's host can
    // be reached, then sends internetConnectedContinueCheckForUpdate. Every
    // failure (no address, no host, a failed lookup) reads as unreachable.
    void checkIfInternetConnection();
    // The outcome of the last test; false before the first.
    bool isNetWorkReachable() const { return isNetWorkReachable_; }
    // Returns at once; downloads the feed, then sends downloadFinished.
    void startDownload();
    // The feed text after the last download: "" from the start of a download
    // and after a failed one, absent when the body was not valid UTF-8.
    const std::optional<std::string>& xmlcontent() const { return xmlcontent_; }
    // Why the last test found the host unreachable, or the last download
    // gave no feed text ("HTTP status 404", the transport's own reason, "the
    // body is not valid UTF-8"); empty after a success.
    const std::string& failureReason() const { return failureReason_; }

    // The transfer's callbacks, on the thread that runs `io`.
    void connectionDidReceiveResponse(std::optional<long> status) override;
    void connectionDidReceiveData(std::string_view chunk) override;
    void connectionDidFinishLoading() override;
    void connectionDidFailWithError(const std::string& reason) override;

private:
    // The test itself, synchronous; on the worker thread.
    void checkReachability();
    void finishTransfer();
    void joinReachabilityWorker();

    asio::io_context& io_;
    std::optional<platform::network::Url> _xmlURL;
    Options options_;
    platform::network::Reachability& reachability_;
    platform::network::HttpClient& http_;
    std::string mdata;
    // Written by the reachability worker, read on the main thread only after
    // the worker's answer was posted there.
    bool isNetWorkReachable_ = false;
    // Written by the worker as the flag is, or on the main thread.
    std::string failureReason_;
    QMXMLDownloaderDelegate& delegate_;
    std::optional<std::string> xmlcontent_;
    std::unique_ptr<platform::network::HttpConnection> connection_;
    std::thread reachabilityWorker_;
    // Main-queue tasks check it so none reaches a destroyed downloader.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace qm
