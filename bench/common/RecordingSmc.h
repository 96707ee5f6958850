#pragma once
// An SMC driver that passes every exchange on to another one and keeps a copy
// of what was asked, so that an operation's calls can be counted and then
// made again directly on the driver: the floor under what the operation costs.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/smc/SmcDriver.h"

namespace bench {

class RecordingSmc : public platform::smc::SmcDriver {
public:
    struct Call {
        uint32_t selector;
        platform::smc::SmcKeyData input;
    };

    explicit RecordingSmc(platform::smc::SmcDriver& inner) : inner_(inner) {}

    platform::smc::SmcStatus open(uint32_t& handle) override { return inner_.open(handle); }
    platform::smc::SmcStatus close(uint32_t handle) override { return inner_.close(handle); }
    platform::smc::SmcStatus callStructMethod(uint32_t handle, uint32_t selector,
                                              const platform::smc::SmcKeyData& input,
                                              platform::smc::SmcKeyData& output) override;

    // The calls since the last take.
    std::vector<Call> take() { return std::move(calls_); }

    // Opens a connection, makes the calls in order and closes it, as the
    // service's passes do.
    static void replay(platform::smc::SmcDriver& driver, const std::vector<Call>& calls);

private:
    platform::smc::SmcDriver& inner_;
    std::vector<Call> calls_;
};

}  // namespace bench
