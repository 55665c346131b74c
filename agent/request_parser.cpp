#include "agent/request_parser.h"

#include <string>
#include <utility>
#include <vector>

namespace nolt {
namespace {

using nlohmann::json;

// The JSON library's event interface, building the value as its own DOM
// parser does.
class MovingBuilder {
public:
    explicit MovingBuilder(json& root) : root_(root) {}

    bool null() { return put(nullptr); }
    bool boolean(bool value) { return put(value); }
    bool number_integer(json::number_integer_t value) { return put(value); }
    bool number_unsigned(json::number_unsigned_t value) { return put(value); }
    bool number_float(json::number_float_t value, const std::string&) { return put(value); }
    bool string(std::string& value) { return put(std::move(value)); }
    bool binary(json::binary_t& value) { return put(json::binary(std::move(value))); }
    bool key(std::string& key) {
        key_ = std::move(key);
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
    std::vector<json*> open_;
    std::string key_;
};

}  // namespace

json parseRequest(std::string_view text) {
    json root;
    MovingBuilder builder(root);
    json::sax_parse(text, &builder);
    return root;
}

}  // namespace nolt
