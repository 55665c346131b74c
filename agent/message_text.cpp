#include "agent/message_text.h"

#include "agent/ascii_scan.h"

namespace nolt {
namespace {

using nlohmann::json;
using Writer = nlohmann::detail::serializer<json>;

// Room for the text: plain strings exactly, others by their length.
std::size_t measure(const json& value) {
    switch (value.type()) {
        case json::value_t::object: {
            std::size_t size = 2 + value.size();  // braces, colons and commas
            for (const auto& [key, member] : value.items()) size += key.size() + 2 + measure(member);
            return size;
        }
        case json::value_t::array: {
            std::size_t size = 2 + value.size();
            for (const auto& element : value) size += measure(element);
            return size;
        }
        case json::value_t::string: return value.get_ref<const std::string&>().size() + 2;
        default: return 32;
    }
}

class MessageWriter {
public:
    explicit MessageWriter(std::string& text)
        : text_(text), writer_(nlohmann::detail::output_adapter<char>(text), ' ', json::error_handler_t::replace) {}

    void write(json& value) {
        switch (value.type()) {
            case json::value_t::object: {
                text_.push_back('{');
                bool first = true;
                for (auto& [key, member] : value.get_ref<json::object_t&>()) {
                    if (!first) text_.push_back(',');
                    first = false;
                    writeString(key);
                    text_.push_back(':');
                    write(member);
                }
                text_.push_back('}');
                break;
            }
            case json::value_t::array: {
                text_.push_back('[');
                bool first = true;
                for (auto& element : value.get_ref<json::array_t&>()) {
                    if (!first) text_.push_back(',');
                    first = false;
                    write(element);
                }
                text_.push_back(']');
                break;
            }
            case json::value_t::string: {
                auto& content = value.get_ref<std::string&>();
                writeString(content);
                std::string().swap(content);  // written: its memory goes now
                break;
            }
            default: writer_.dump(value, false, false, 0); break;
        }
    }

private:
    void writeString(const std::string& content) {
        if (plainJsonText(content)) {
            text_.push_back('"');
            text_.append(content);
            text_.push_back('"');
            return;
        }
        // Escapes and UTF-8 checks as the library makes them.
        writer_.dump(json(content), false, false, 0);
    }

    std::string& text_;
    Writer writer_;
};

}  // namespace

std::string serializeMessage(json&& message) {
    std::string text;
    text.reserve(measure(message));
    MessageWriter(text).write(message);
    return text;
}

}  // namespace nolt
