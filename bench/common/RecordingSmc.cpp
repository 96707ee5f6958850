#include "bench/common/RecordingSmc.h"

#include <benchmark/benchmark.h>

namespace bench {

platform::smc::SmcStatus RecordingSmc::callStructMethod(uint32_t handle, uint32_t selector,
                                                        const platform::smc::SmcKeyData& input,
                                                        platform::smc::SmcKeyData& output) {
    calls_.push_back({selector, input});
    return inner_.callStructMethod(handle, selector, input, output);
}

void RecordingSmc::replay(platform::smc::SmcDriver& driver, const std::vector<Call>& calls) {
    uint32_t handle = 0;
    driver.open(handle);
    platform::smc::SmcKeyData output{};
    for (const Call& call : calls) {
        driver.callStructMethod(handle, call.selector, call.input, output);
        benchmark::DoNotOptimize(output);
    }
    driver.close(handle);
}

}  // namespace bench
