#pragma once
// Says which clients the gate refused, at debug priority, with the peer's pid
// and executable, so that an administrator can see who knocks; but at most a
// few lines a window of time, whatever a peer does: a program refused in a
// loop must not flood the journal. Refusals beyond the window's lines are
// counted, and the count is said before the next line that is written.
//
// Serving thread only (nothing is locked). Never throws but on allocation.
#include <chrono>
#include <cstddef>

namespace vrl {

class RefusalLog {
public:
    using Clock = std::chrono::steady_clock;

    // Requires lines > 0 and window > 0.
    RefusalLog(std::size_t lines, Clock::duration window);

    // The peer of socketFd (a connected Unix socket, open for the call) was
    // refused at now: logged while the window that began with the first
    // refusal logged lasts and has lines left, otherwise only counted.
    void refused(int socketFd, Clock::time_point now);

private:
    bool mayWrite(Clock::time_point now);

    const std::size_t lines_;
    const Clock::duration window_;
    Clock::time_point windowStart_;
    std::size_t written_ = 0;   // in the current window
    std::size_t withheld_ = 0;  // since the last line written
};

inline constexpr std::size_t kRefusalLinesPerWindow = 3;
inline constexpr std::chrono::minutes kRefusalWindow{1};

}  // namespace vrl
