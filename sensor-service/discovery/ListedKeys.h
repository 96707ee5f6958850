#pragma once
// The keys an SMC listed, for the many "is this key listed?" questions of
// discovery. An SMC lists thousands of keys, and fan and sensor discovery ask
// about dozens of candidates each, so the names are held as sorted key codes
// and found by binary search instead of a scan of the list per question.
// Immutable once built: any thread.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vrl {

class ListedKeys {
public:
    explicit ListedKeys(const std::vector<std::string>& keys);
    bool contains(std::string_view key) const;

private:
    std::vector<uint32_t> codes_;       // of the four-character names, ascending
    std::vector<std::string> others_;   // names of another length, which no SMC lists
};

}  // namespace vrl
