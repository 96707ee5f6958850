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
    std::string userAgent;  // empty: "vrlupdatenotifier/<version>"
};

// Fetches the feed in two stages the coordinator asks for separately: a
// reachability test off the main thread, then the download. Every delegate
// message arrives on the main thread.
class QMXMLDownloader : public platform::network::HttpConnectionDelegate {
public:
    using Options = QMXMLDownloaderOptions;

    // Null collaborators mean the system's own.
    QMXMLDownloader(asio::io_context& io, std::optional<platform::network::Url> xmlURL,
                    Options options = {},
                    std::shared_ptr<platform::network::Reachability> reachability = nullptr,
                    std::shared_ptr<platform::network::HttpClient> http = nullptr);
    ~QMXMLDownloader() override;
    QMXMLDownloader(const QMXMLDownloader&) = delete;
    QMXMLDownloader& operator=(const QMXMLDownloader&) = delete;

    void checkIfInternetConnection();
    void checkReachability();
    void startDownload();

    void connectionDidReceiveResponse(std::optional<long> status) override;
    void connectionDidReceiveData(std::string_view chunk) override;
    void connectionDidFinishLoading() override;
    void connectionDidFailWithError() override;

    void setDelegate(QMXMLDownloaderDelegate* delegate) { delegate_ = delegate; }
    QMXMLDownloaderDelegate* delegate() const { return delegate_; }
    bool isNetWorkReachable() const { return isNetWorkReachable_; }
    void setIsNetWorkReachable(bool reachable) { isNetWorkReachable_ = reachable; }
    const std::optional<std::string>& xmlcontent() const { return xmlcontent_; }
    void setXmlcontent(std::optional<std::string> text) { xmlcontent_ = std::move(text); }

private:
    void finishTransfer();
    void joinReachabilityWorker();

    asio::io_context& io_;
    std::optional<platform::network::Url> _xmlURL;
    Options options_;
    std::shared_ptr<platform::network::Reachability> reachability_;
    std::shared_ptr<platform::network::HttpClient> http_;
    std::string mdata;
    bool isNetWorkReachable_ = false;
    QMXMLDownloaderDelegate* delegate_ = nullptr;
    std::optional<std::string> xmlcontent_;
    std::unique_ptr<platform::network::HttpConnection> connection_;
    std::thread reachabilityWorker_;
    // Main-queue tasks check it so none reaches a destroyed downloader.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace qm
