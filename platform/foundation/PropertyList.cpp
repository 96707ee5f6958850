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
            char* text = nullptr;
            plist_get_string_val(value, &text);
            if (text) out[key] = text;
            std::free(text);
        }
        std::free(key);
    }
    std::free(iter);
}

}  // namespace

std::optional<StringDictionary> parseStringDictionary(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > kMaxPropertyListBytes) return std::nullopt;
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
