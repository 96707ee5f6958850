#pragma once
// The one well-behaved client: requests without pause on a single connection
// and checks every reply against the model data it expects.
#include <atomic>
#include <string>
#include <vector>

#include "tests/support/ServiceWire.h"

namespace vrl::stress {

using vrl::test::WireModel;

struct RoundTrips {
    long answered = 0;
    long wrong = 0;        // a reply that differs from the expected model data
    long unanswered = 0;   // a request that got no reply in time, or a lost connection
    std::vector<double> micros;

    double percentile(double p) const;
};

class AdmittedClient {
public:
    AdmittedClient(std::string socketPath, WireModel expected);
    ~AdmittedClient();
    bool connect();
    // Requests until stop is set; round trips go to the given record.
    void run(const std::atomic<bool>& stop, RoundTrips& record);

private:
    std::string socketPath_;
    WireModel expected_;
    int fd_ = -1;
};

}  // namespace vrl::stress
