#include "platform/foundation/StringsTable.h"

#include <cstdint>
#include <new>
#include <string>

#include "platform/foundation/HexDigits.h"
#include "platform/foundation/SmallFile.h"

namespace platform::foundation {
namespace {

// A strings table is a handful of user-visible texts; anything near this size
// is not one, and refusing it bounds the work hostile input can cause.
constexpr std::size_t kMaxTableBytes = 1024u * 1024u;
constexpr std::size_t kMaxEntries = 100000;

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// UTF-16 with a byte-order mark becomes UTF-8; unpaired surrogates reject it.
std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    auto unitAt = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        char32_t unit = unitAt(i);
        if (isHighSurrogate(unit)) {
            if (i + 3 >= bytes.size() || !isLowSurrogate(unitAt(i + 2))) return std::nullopt;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
            i += 2;
        } else if (isLowSurrogate(unit)) {
            return std::nullopt;
        }
        appendUtf8(out, unit);
    }
    return out;
}

// Text of the table in UTF-8, whatever encoding it came in.
std::optional<std::string> decodeText(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") return utf16ToUtf8(bytes.substr(2), false);
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") return utf16ToUtf8(bytes.substr(2), true);
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return std::string(bytes);
}

class TextTableParser {
public:
    explicit TextTableParser(std::string_view text) : text_(text) {}

    std::optional<StringDictionary> parse() {
        StringDictionary table;
        for (;;) {
            if (!skipSpaceAndComments()) return std::nullopt;
            if (atEnd()) return table;
            auto key = token();
            if (!key || !skipSpaceAndComments()) return std::nullopt;
            std::string value = *key;  // "key"; alone means the key is its own value
            if (peek() == '=') {
                ++pos_;
                if (!skipSpaceAndComments()) return std::nullopt;
                auto parsed = token();
                if (!parsed || !skipSpaceAndComments()) return std::nullopt;
                value = std::move(*parsed);
            }
            if (peek() != ';') return std::nullopt;
            ++pos_;
            if (table.size() >= kMaxEntries) return std::nullopt;
            table[*key] = std::move(value);
        }
    }

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }

    // False on an unterminated block comment.
    bool skipSpaceAndComments() {
        while (!atEnd()) {
            const char c = text_[pos_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (text_.substr(pos_, 2) == "//") {
                const auto end = text_.find('\n', pos_);
                pos_ = end == std::string_view::npos ? text_.size() : end + 1;
            } else if (text_.substr(pos_, 2) == "/*") {
                const auto end = text_.find("*/", pos_ + 2);
                if (end == std::string_view::npos) return false;
                pos_ = end + 2;
            } else {
                return true;
            }
        }
        return true;
    }

    static bool isWordCharacter(char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
               c == '_' || c == '$' || c == '.' || c == '/' || c == ':' || c == '-';
    }

    std::optional<std::string> token() {
        if (peek() == '"') return quoted();
        const std::size_t start = pos_;
        while (!atEnd() && isWordCharacter(text_[pos_])) ++pos_;
        if (pos_ == start) return std::nullopt;
        return std::string(text_.substr(start, pos_ - start));
    }

    std::optional<char32_t> hexDigits(std::size_t count) {
        if (pos_ + count > text_.size()) return std::nullopt;
        char32_t value = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::optional<unsigned> digit = hexDigitValue(text_[pos_ + i]);
            if (!digit) return std::nullopt;
            value = value * 16 + static_cast<char32_t>(*digit);
        }
        pos_ += count;
        return value;
    }

    // \Uxxxx (four hex digits, UTF-16 units); a high surrogate must be
    // followed by an escaped low surrogate.
    bool unicodeEscape(std::string& out) {
        auto unit = hexDigits(4);
        if (!unit || isLowSurrogate(*unit)) return false;
        if (isHighSurrogate(*unit)) {
            if (text_.substr(pos_, 2) != "\\U" && text_.substr(pos_, 2) != "\\u") return false;
            pos_ += 2;
            const auto low = hexDigits(4);
            if (!low || !isLowSurrogate(*low)) return false;
            *unit = 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
        }
        appendUtf8(out, *unit);
        return true;
    }

    bool escape(std::string& out) {
        if (atEnd()) return false;
        const char c = text_[pos_++];
        switch (c) {
            case '"': out += '"'; return true;
            case '\\': out += '\\'; return true;
            case '\'': out += '\''; return true;
            case 'n': out += '\n'; return true;
            case 't': out += '\t'; return true;
            case 'r': out += '\r'; return true;
            case 'U':
            case 'u': return unicodeEscape(out);
            default: return false;
        }
    }

    std::optional<std::string> quoted() {
        ++pos_;  // opening quote
        std::string out;
        while (!atEnd()) {
            const char c = text_[pos_++];
            if (c == '"') return out;
            if (c == '\\') {
                if (!escape(out)) return std::nullopt;
            } else {
                out += c;
            }
        }
        return std::nullopt;  // unterminated
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

bool looksLikePropertyList(std::string_view text) {
    const auto start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) return false;
    return text.substr(start, 5) == "<?xml" || text.substr(start, 9) == "<!DOCTYPE" ||
           text.substr(start, 6) == "<plist";
}

std::optional<StringDictionary> parseDecoded(std::string_view bytes) {
    if (bytes.substr(0, 6) == "bplist") return parseStringDictionary(bytes);
    const auto text = decodeText(bytes);
    if (!text) return std::nullopt;
    if (looksLikePropertyList(*text)) return parseStringDictionary(*text);
    return TextTableParser(*text).parse();
}

}  // namespace

std::optional<StringDictionary> parseStringsTable(std::string_view bytes) {
    if (bytes.size() > kMaxTableBytes) return std::nullopt;
    try {
        return parseDecoded(bytes);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<StringDictionary> readStringsTable(const std::filesystem::path& file) {
    const auto read = readSmallFile(file, kMaxTableBytes);
    if (!read) return std::nullopt;
    return parseStringsTable(read->bytes);
}

}  // namespace platform::foundation
