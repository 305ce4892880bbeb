#include "catalogue/transfer/OrderedJsonParse.h"

#include <unordered_map>
#include <utility>
#include <vector>

namespace NResourceItem {

namespace {

using Json = nlohmann::ordered_json;

// Builds the document from nlohmann's SAX events, as its DOM parser does, but appends each
// member instead of looking its key up in the members before it.
class COrderedJsonBuilder {
  public:
    using number_integer_t = Json::number_integer_t;
    using number_unsigned_t = Json::number_unsigned_t;
    using number_float_t = Json::number_float_t;
    using string_t = Json::string_t;
    using binary_t = Json::binary_t;

    COrderedJsonBuilder(Json* root, const FRepeatedJsonKey& onRepeatedKey)
        : m_root(root), m_onRepeatedKey(onRepeatedKey) {}

    bool null() { return Add(nullptr); }
    bool boolean(bool value) { return Add(value); }
    bool number_integer(number_integer_t value) { return Add(value); }
    bool number_unsigned(number_unsigned_t value) { return Add(value); }
    bool number_float(number_float_t value, const string_t&) { return Add(value); }
    bool string(string_t& value) { return Add(std::move(value)); }
    bool binary(binary_t& value) { return Add(std::move(value)); }

    bool start_object(std::size_t) {
        m_open.push_back(Place(Json::value_t::object));
        m_keys.emplace_back();
        return true;
    }
    bool key(string_t& key) {
        Json::object_t& members = m_open.back()->get_ref<Json::object_t&>();
        const auto [it, fresh] = m_keys.back().emplace(key, members.size());
        if (!fresh) {
            const bool inElement = m_open.size() >= 2 && m_open.front()->is_array();
            m_onRepeatedKey(inElement ? m_element : 0, key);
            m_member = &(members.begin() + static_cast<std::ptrdiff_t>(it->second))->second;
            return true;
        }
        members.emplace_back(std::move(key), nullptr);
        m_member = &members.back().second;
        return true;
    }
    bool end_object() {
        m_keys.pop_back();
        m_open.pop_back();
        return true;
    }
    bool start_array(std::size_t) {
        m_open.push_back(Place(Json::value_t::array));
        return true;
    }
    bool end_array() {
        m_open.pop_back();
        return true;
    }

    template <class Exception>
    bool parse_error(std::size_t, const std::string&, const Exception& exception) {
        throw exception;
    }

  private:
    template <typename Value>
    bool Add(Value&& value) {
        Place(std::forward<Value>(value));
        return true;
    }

    // Places `value` as the root, the next element of the open array, or the value of the
    // key just read; returns where it went.
    template <typename Value>
    Json* Place(Value&& value) {
        if (m_open.empty()) {
            *m_root = Json(std::forward<Value>(value));
            return m_root;
        }
        if (m_open.size() == 1)
            ++m_element;
        Json* container = m_open.back();
        if (container->is_array()) {
            Json::array_t& elements = container->get_ref<Json::array_t&>();
            elements.emplace_back(std::forward<Value>(value));
            return &elements.back();
        }
        *m_member = Json(std::forward<Value>(value));
        return m_member;
    }

    Json* m_root;
    const FRepeatedJsonKey& m_onRepeatedKey;
    // The open arrays and objects, outermost first. A container's parent is not changed
    // while it is open, so these pointers stay valid.
    std::vector<Json*> m_open;
    // For each open object, its keys and their places among its members.
    std::vector<std::unordered_map<std::string, size_t>> m_keys;
    Json* m_member = nullptr;  // the value of the key just read
    int m_element = 0;         // the child of the root being read, 1-based
};

}  // namespace

Json ParseOrderedJson(std::string_view text, const FRepeatedJsonKey& onRepeatedKey) {
    Json document;
    COrderedJsonBuilder builder(&document, onRepeatedKey);
    Json::sax_parse(text, &builder);
    return document;
}

}  // namespace NResourceItem
