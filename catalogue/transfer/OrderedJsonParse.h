// Parsing a JSON document into nlohmann's order-keeping json in time linear in its size.
// The library's own parse inserts each key with a scan of the keys before it, which takes
// minutes for an object of a hundred thousand keys; here members are appended and each
// open object keeps a hash of its keys.
//
// Thread-safety: a plain function on its arguments.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace NResourceItem {

// Called for a key given again in one object, with the 1-based index of the element of the
// top-level array that holds it (0 when the key is not inside such an element).
using FRepeatedJsonKey = std::function<void(int element, const std::string& key)>;

// Parses `text` strictly (no comments, nothing after the value). A repeated key keeps its
// first place and takes the later value, as the library's parse does. Throws what
// nlohmann::ordered_json::parse throws: parse_error for bad syntax, out_of_range for a
// number it cannot hold.
nlohmann::ordered_json ParseOrderedJson(std::string_view text,
                                        const FRepeatedJsonKey& onRepeatedKey);

}  // namespace NResourceItem
