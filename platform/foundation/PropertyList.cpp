#include "platform/foundation/PropertyList.h"

#include <plist/plist.h>

#include <fstream>
#include <iterator>
#include <cstdlib>

namespace platform::foundation {
namespace {

// Info.plist files and strings tables are small; anything larger is hostile.
constexpr std::uintmax_t kMaxPropertyListBytes = 8u * 1024u * 1024u;

void collectStrings(plist_t dict, StringDictionary& out) {
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(dict, &iter);
    if (!iter) return;
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dict, iter, &key, &value);
        if (!key) break;
        if (value && plist_get_node_type(value) == PLIST_STRING) {
            // plist_get_string_val asserts on strings holding a NUL byte (an XML
            // escape can produce one), which would abort the program on a
            // hostile file; the pointer accessor takes the stored length as is.
            uint64_t length = 0;
            const char* text = plist_get_string_ptr(value, &length);
            if (text) out[key] = std::string(text, length);
        }
        std::free(key);
    }
    std::free(iter);
}

bool isBinaryPropertyList(std::string_view bytes) { return bytes.substr(0, 6) == "bplist"; }

// A character reference to U+0000 (&#0; &#x00; ...), which no XML document may hold.
bool holdsNulReference(std::string_view text) {
    for (std::size_t at = text.find("&#"); at != std::string_view::npos; at = text.find("&#", at + 2)) {
        std::size_t digit = at + 2;
        if (digit < text.size() && (text[digit] == 'x' || text[digit] == 'X')) ++digit;
        std::size_t end = digit;
        while (end < text.size() && text[end] == '0') ++end;
        if (end > digit && end < text.size() && text[end] == ';') return true;
    }
    return false;
}

// libplist keeps a NUL byte that a property list smuggles into a string or key
// (raw or as &#0; in XML, inside a binary object), and then aborts on an
// assertion when the value is read. No well-formed XML can contain one, so
// binary input is first rewritten as XML, and XML holding one is refused.
std::optional<std::string> binaryAsXml(std::string_view bytes) {
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    if (!root) return std::nullopt;
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    plist_free(root);
    if (!xml) return std::nullopt;
    std::string text(xml, length);
    std::free(xml);
    return text;
}

bool isSafeXml(std::string_view text) {
    return text.find('\0') == std::string_view::npos && !holdsNulReference(text);
}

}  // namespace

std::optional<StringDictionary> parseStringDictionary(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > kMaxPropertyListBytes) return std::nullopt;
    std::optional<std::string> converted;
    if (isBinaryPropertyList(bytes)) {
        converted = binaryAsXml(bytes);
        if (!converted) return std::nullopt;
        bytes = *converted;
    }
    if (!isSafeXml(bytes)) return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    if (!root) return std::nullopt;
    std::optional<StringDictionary> result;
    if (plist_get_node_type(root) == PLIST_DICT) {
        result.emplace();
        collectStrings(root, *result);
    }
    plist_free(root);
    return result;
}

namespace {
std::optional<std::string> readSmallFile(const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error || size > kMaxPropertyListBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

}  // namespace

std::optional<StringDictionary> readStringDictionary(const std::filesystem::path& file) {
    const auto bytes = readSmallFile(file);
    if (!bytes) return std::nullopt;
    return parseStringDictionary(*bytes);
}

}  // namespace platform::foundation
