#include "platform/foundation/PropertyList.h"

#include <plist/plist.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

#include "platform/foundation/SmallFile.h"

namespace platform::foundation {
namespace {

// Info.plist files and strings tables are small; anything larger is hostile.
constexpr std::size_t kMaxPropertyListBytes = 1024u * 1024u;

// libplist hands out nodes, keys and texts the caller must free; owning them
// keeps an allocation failure on our side from leaking them.
using OwnedPlist = std::unique_ptr<std::remove_pointer_t<plist_t>, decltype(&plist_free)>;
using OwnedText = std::unique_ptr<char, decltype(&std::free)>;

OwnedPlist plistFromMemory(std::string_view bytes) {
    plist_t root = nullptr;
    // Errors come back as a status and a null root; only the root is needed.
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    return OwnedPlist(root, &plist_free);
}

void collectStrings(plist_t dict, StringDictionary& out) {
    plist_dict_iter rawIter = nullptr;
    plist_dict_new_iter(dict, &rawIter);
    if (!rawIter) return;
    const std::unique_ptr<void, decltype(&std::free)> iter(rawIter, &std::free);
    for (;;) {
        char* rawKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dict, rawIter, &rawKey, &value);
        if (!rawKey) break;
        const OwnedText key(rawKey, &std::free);
        if (value && plist_get_node_type(value) == PLIST_STRING) {
            // plist_get_string_val asserts on strings holding a NUL byte (an XML
            // escape can produce one), which would abort the program on a
            // hostile file; the pointer accessor takes the stored length as is.
            uint64_t length = 0;
            const char* text = plist_get_string_ptr(value, &length);
            if (text) out[key.get()] = std::string(text, length);
        }
    }
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
    const OwnedPlist root = plistFromMemory(bytes);
    if (!root) return std::nullopt;
    char* rawXml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &rawXml, &length);
    if (!rawXml) return std::nullopt;
    const OwnedText xml(rawXml, &std::free);
    return std::string(xml.get(), length);
}

bool isSafeXml(std::string_view text) {
    return text.find('\0') == std::string_view::npos && !holdsNulReference(text);
}

std::optional<StringDictionary> parseChecked(std::string_view bytes) {
    std::optional<std::string> converted;
    if (isBinaryPropertyList(bytes)) {
        converted = binaryAsXml(bytes);
        if (!converted) return std::nullopt;
        bytes = *converted;
    }
    if (!isSafeXml(bytes)) return std::nullopt;
    const OwnedPlist root = plistFromMemory(bytes);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) return std::nullopt;
    StringDictionary result;
    collectStrings(root.get(), result);
    return result;
}

}  // namespace

std::optional<StringDictionary> parseStringDictionary(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > kMaxPropertyListBytes) return std::nullopt;
    try {
        return parseChecked(bytes);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<StringDictionary> readStringDictionary(const std::filesystem::path& file) {
    const auto read = readSmallFile(file, kMaxInfoPlistBytes);
    if (!read) return std::nullopt;
    return parseStringDictionary(read->bytes);
}

}  // namespace platform::foundation
