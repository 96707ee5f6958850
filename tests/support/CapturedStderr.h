#pragma once
// Standard error sent to a file of its own while the object lives, so that a
// test can read what the process log wrote there: one line a record, a
// debug record starting with "debug: ". Main thread; not for tests that run
// other threads writing to standard error.
#include <string>
#include <vector>

namespace vrl::test {

class CapturedStderr {
public:
    CapturedStderr();
    ~CapturedStderr();
    CapturedStderr(const CapturedStderr&) = delete;
    CapturedStderr& operator=(const CapturedStderr&) = delete;

    // The lines written since construction or the last clear().
    std::vector<std::string> lines() const;
    // The records of debug priority among them, without their prefix.
    std::vector<std::string> debugLines() const;
    // The other records (the notifier logs the rest at notice priority).
    std::vector<std::string> otherLines() const;
    void clear();

private:
    int file_;
    int savedStderr_;
    long from_ = 0;
};

}  // namespace vrl::test
