#include "agent/request_parser.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "agent/ascii_scan.h"
#include "agent/json_literal.h"
#include <vector>

namespace nolt {
namespace {

using nlohmann::json;

// A string literal this long skips the JSON library's lexer, which grows its
// buffer a character at a time and so holds up to twice the text again; it is
// decoded straight into a string of its own size. Part programs arrive as one
// Base64 string of tens of MB.
constexpr std::size_t kLongString = 64 * 1024;

struct LongString {
    std::size_t ordinal;     // among all string literals, keys included
    std::size_t begin, end;  // the content between the quotes
};

bool simpleEscape(char c) {
    return c == '"' || c == '\\' || c == '/' || c == 'b' || c == 'f' || c == 'n' || c == 'r' || c == 't';
}

// Printable ASCII and the one-letter escapes only; anything else (a \u escape,
// a byte outside printable ASCII) is left to the library and its checks.
bool plain(std::string_view content) {
    if (!printableAscii(content)) return false;
    for (auto at = content.find('\\'); at != std::string_view::npos; at = content.find('\\', at + 2)) {
        if (at + 1 == content.size() || !simpleEscape(content[at + 1])) return false;
    }
    return true;
}

std::vector<LongString> longStrings(std::string_view text) {
    std::vector<LongString> found;
    std::size_t ordinal = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '"') continue;
        const std::size_t begin = at + 1;
        at = literalEnd(text, begin);
        if (at == std::string_view::npos) break;
        if (at - begin >= kLongString && plain(text.substr(begin, at - begin))) found.push_back({ordinal, begin, at});
        ++ordinal;
    }
    return found;
}

std::string decode(std::string_view content) {
    std::string text;
    text.reserve(content.size());
    for (std::size_t at = 0; at < content.size(); ++at) {
        // The run up to the next escape goes in one piece.
        const std::size_t escape = std::min(content.find('\\', at), content.size());
        text.append(content.substr(at, escape - at));
        if ((at = escape) == content.size()) break;
        char c = content[++at];
        switch (c) {
            case 'b': c = '\b'; break;
            case 'f': c = '\f'; break;
            case 'n': c = '\n'; break;
            case 'r': c = '\r'; break;
            case 't': c = '\t'; break;
            default: break;  // '"', '\\' and '/' stand for themselves
        }
        text.push_back(c);
    }
    return text;
}

// The JSON library's event interface, building the value as its own DOM
// parser does.
class MovingBuilder {
public:
    // The literals of `longs` arrive empty and are decoded from `original`.
    MovingBuilder(json& root, std::string_view original, const std::vector<LongString>& longs)
        : root_(root), original_(original), longs_(longs) {}

    bool null() { return put(nullptr); }
    bool boolean(bool value) { return put(value); }
    bool number_integer(json::number_integer_t value) { return put(value); }
    bool number_unsigned(json::number_unsigned_t value) { return put(value); }
    bool number_float(json::number_float_t value, const std::string&) { return put(value); }
    bool string(std::string& value) { return put(literal(value)); }
    bool binary(json::binary_t& value) { return put(json::binary(std::move(value))); }
    bool key(std::string& key) {
        key_ = literal(key);
        return true;
    }
    bool start_object(std::size_t) { return open(json::object()); }
    bool start_array(std::size_t) { return open(json::array()); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    template <class Exception>
    bool parse_error(std::size_t, const std::string&, const Exception& error) {
        throw error;
    }

private:
    std::string literal(std::string& parsed) {
        const std::size_t ordinal = literals_++;
        if (next_ == longs_.size() || longs_[next_].ordinal != ordinal) return std::move(parsed);
        const auto& found = longs_[next_++];
        return decode(original_.substr(found.begin, found.end - found.begin));
    }

    json* place(json value) {
        if (open_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        json& parent = *open_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        json& slot = parent[key_];
        slot = std::move(value);
        return &slot;
    }
    bool put(json value) {
        place(std::move(value));
        return true;
    }
    // Only the innermost open container grows, so the pointers stay valid.
    bool open(json container) {
        open_.push_back(place(std::move(container)));
        return true;
    }
    bool close() {
        open_.pop_back();
        return true;
    }

    json& root_;
    std::string_view original_;
    const std::vector<LongString>& longs_;
    std::size_t next_ = 0;
    std::size_t literals_ = 0;
    std::vector<json*> open_;
    std::string key_;
};

json parse(std::string_view text, std::string_view original, const std::vector<LongString>& longs) {
    json root;
    MovingBuilder builder(root, original, longs);
    json::sax_parse(text, &builder);
    return root;
}

}  // namespace

json parseRequest(std::string_view text) {
    const auto longs = longStrings(text);
    if (longs.empty()) return parse(text, text, longs);
    // The text without the long literals' contents: only the rest goes
    // through the library.
    std::string rest;
    std::size_t from = 0;
    for (const auto& found : longs) {
        rest.append(text.substr(from, found.begin - from));
        from = found.end;
    }
    rest.append(text.substr(from));
    try {
        return parse(rest, text, longs);
    } catch (const json::parse_error&) {
        // The library's own text and position for the request as it came.
        return parse(text, text, {});
    }
}

}  // namespace nolt
