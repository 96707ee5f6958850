#include "tests/stress/HostileBundle.h"

#include <sys/stat.h>

#include <fstream>

namespace vrl::stress {

std::string infoPlistSaying(const std::string& identifier, std::size_t padding) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>" + identifier + "</string>"
           "<key>Padding</key><string>" + std::string(padding, 'p') + "</string></dict></plist>\n";
}

void keepSwappingWithFifo(const std::filesystem::path& target, const std::atomic<bool>& stop) {
    const std::filesystem::path regular = target.parent_path() / "swap.plist";
    const std::filesystem::path pipe = target.parent_path() / "swap.fifo";
    std::error_code ec;
    while (!stop) {
        std::ofstream(regular, std::ios::binary) << infoPlistSaying("com.example.monitor");
        std::filesystem::rename(regular, target, ec);
        ::mkfifo(pipe.c_str(), 0644);
        std::filesystem::rename(pipe, target, ec);
    }
}

}  // namespace vrl::stress
