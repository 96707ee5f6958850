#include "tests/support/ProcStatus.h"

#include <fstream>
#include <string>

namespace vrl::test {

std::optional<double> statusField(const std::filesystem::path& statusFile, std::string_view field) {
    std::ifstream status(statusFile);
    for (std::string line; std::getline(status, line);) {
        if (line.size() > field.size() && line.starts_with(field) && line[field.size()] == ':')
            return std::stod(line.substr(field.size() + 1));
    }
    return std::nullopt;
}

}  // namespace vrl::test
