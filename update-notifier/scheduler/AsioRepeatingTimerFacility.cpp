#include "update-notifier/scheduler/AsioRepeatingTimerFacility.h"

#include <chrono>

#include <asio/steady_timer.hpp>

namespace qm {
namespace {

double secondsSince1970() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// Each tick is scheduled a full period after the previous due time, so the
// period does not drift by the handlers' run time.
class AsioRepeatingTimer : public RepeatingTimer {
public:
    AsioRepeatingTimer(asio::io_context& io, double intervalSeconds, std::function<void(double)> tick)
        : timer_(io),
          period_(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
              std::chrono::duration<double>(intervalSeconds))),
          tick_(std::move(tick)) {
        timer_.expires_after(period_);
        arm();
    }

    ~AsioRepeatingTimer() override { *alive_ = false; }

private:
    void arm() {
        timer_.async_wait([this, alive = alive_](const std::error_code& error) {
            if (error || !*alive) return;
            timer_.expires_at(timer_.expiry() + period_);
            arm();
            tick_(secondsSince1970());
        });
    }

    asio::steady_timer timer_;
    std::chrono::steady_clock::duration period_;
    std::function<void(double)> tick_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace

std::unique_ptr<RepeatingTimer> AsioRepeatingTimerFacility::scheduleRepeating(double intervalSeconds,
                                                                              std::function<void(double)> tick) {
    return std::make_unique<AsioRepeatingTimer>(io_, intervalSeconds, std::move(tick));
}

}  // namespace qm
