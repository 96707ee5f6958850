#pragma once

namespace qm {

// The wall clock, as seconds since 1970. Any thread; cannot fail.
class UpdateClock {
public:
    virtual ~UpdateClock() = default;
    virtual double secondsSince1970() const = 0;
};

}  // namespace qm
