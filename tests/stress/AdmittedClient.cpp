#include "tests/stress/AdmittedClient.h"

#include <algorithm>
#include <cmath>

namespace vrl::stress {

using namespace vrl::test;

double RoundTrips::percentile(double p) const {
    if (micros.empty()) return 0.0;
    std::vector<double> sorted = micros;
    std::sort(sorted.begin(), sorted.end());
    auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

AdmittedClient::AdmittedClient(std::string socketPath, WireModel expected)
    : socketPath_(std::move(socketPath)), expected_(std::move(expected)) {}

AdmittedClient::~AdmittedClient() { closeFd(fd_); }

bool AdmittedClient::connect() {
    closeFd(fd_);
    fd_ = connectTo(socketPath_);
    return fd_ >= 0;
}

void AdmittedClient::run(const std::atomic<bool>& stop, RoundTrips& record) {
    const Bytes& request = platform::ipc::getModelDataRequestFrame();
    const auto timeout = std::chrono::milliseconds(3000);
    while (!stop) {
        auto sent = Clock::now();
        std::optional<Bytes> payload;
        if (sendAll(fd_, request, timeout)) payload = readFrame(fd_, timeout);
        if (!payload) {
            // The service must never drop its admitted client: count it and
            // carry on, so one loss doesn't hide the rest of the run.
            ++record.unanswered;
            connect();
            continue;
        }
        record.micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
        ++record.answered;
        auto model = decodeReply(*payload);
        if (!model || *model != expected_) ++record.wrong;
    }
}

}  // namespace vrl::stress
