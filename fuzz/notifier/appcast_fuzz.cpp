// The appcast parser and its decision over successive feeds: the input is split
// at NUL bytes into up to four documents parsed one after the other.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "update-notifier/feed/QMXMLParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    qm::QMXMLParser parser{"130"};
    for (int document = 0; document < 4 && !rest.empty(); ++document) {
        const size_t end = rest.find('\0');
        parser.setXmlcontent(std::string(rest.substr(0, end)));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return 0;
}
