// Strict reading of the library's JSON files: one reused simdjson parser per thread, and readers of
// single values that accept exactly one JSON type each (null makes the field absent).
#pragma once

#include <simdjson.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "today/outside/Date.hpp"

namespace today::detail::json {

// The parsers reused by every reading on this thread: the DOM parser for whole documents, the On-Demand
// parser for streaming readings.
simdjson::dom::parser& threadParser();
simdjson::ondemand::parser& threadOnDemandParser();
// Frees a parser's buffers after a large document, so that one big file read does not keep its
// memory for the thread's whole life.
void releaseLargeBuffers(simdjson::dom::parser& parser);
void releaseLargeBuffers(simdjson::ondemand::parser& parser);

// Parses the whole text (which must be valid UTF-8 JSON) and hands its root to `decode`, whose result
// is returned; none when the text is not JSON. The root is valid only during the call.
template <class Decode>
auto decodeText(std::string_view text, Decode&& decode) -> decltype(decode(simdjson::dom::element{})) {
    simdjson::dom::parser& parser = threadParser();
    simdjson::dom::element root;
    decltype(decode(simdjson::dom::element{})) result;
    if (parser.parse(text.data(), text.size()).get(root) == simdjson::SUCCESS) {
        result = decode(root);
    }
    releaseLargeBuffers(parser);
    return result;
}

// The same for a file's bytes, parsed where they are: they are padded for the parser (without copying
// when their capacity has the room, as the host's file reading leaves it) and given back unchanged.
template <class Decode>
auto decodeBytes(std::vector<std::uint8_t>& bytes, Decode&& decode) -> decltype(decode(simdjson::dom::element{})) {
    const std::size_t size = bytes.size();
    bytes.resize(size + simdjson::SIMDJSON_PADDING);
    simdjson::dom::parser& parser = threadParser();
    simdjson::dom::element root;
    decltype(decode(simdjson::dom::element{})) result;
    if (parser.parse(bytes.data(), size, false).get(root) == simdjson::SUCCESS) {
        result = decode(root);
    }
    releaseLargeBuffers(parser);
    bytes.resize(size);
    return result;
}

// Each reader stores the value in `field` (a later occurrence of a key replaces an earlier one; null
// clears the field) and returns false when the value has another JSON type.

inline bool readString(simdjson::dom::element value, std::optional<std::string>& field) {
    std::string_view text;
    if (value.get_string().get(text) == simdjson::SUCCESS) {
        field.emplace(text);
        return true;
    }
    if (value.is_null()) {
        field.reset();
        return true;
    }
    return false;
}

inline bool readBool(simdjson::dom::element value, std::optional<bool>& field) {
    bool flag = false;
    if (value.get_bool().get(flag) == simdjson::SUCCESS) {
        field = flag;
        return true;
    }
    if (value.is_null()) {
        field.reset();
        return true;
    }
    return false;
}

// Integers are numbers written without fraction or exponent that fit in 64 signed bits ("1.0", "1e2"
// and 2^63 are refused).
inline bool readInteger(simdjson::dom::element value, std::optional<std::int64_t>& field) {
    switch (value.type()) {
        case simdjson::dom::element_type::INT64: field = value.get_int64().value_unsafe(); return true;
        case simdjson::dom::element_type::NULL_VALUE: field.reset(); return true;
        default: return false;
    }
}

// Dates are any JSON number, integer or not: seconds since 2001-01-01T00:00:00Z.
inline bool readDate(simdjson::dom::element value, std::optional<Date>& field) {
    switch (value.type()) {
        case simdjson::dom::element_type::DOUBLE: field = Date(value.get_double().value_unsafe()); return true;
        case simdjson::dom::element_type::INT64:
            field = Date(static_cast<double>(value.get_int64().value_unsafe()));
            return true;
        case simdjson::dom::element_type::UINT64:
            field = Date(static_cast<double>(value.get_uint64().value_unsafe()));
            return true;
        case simdjson::dom::element_type::NULL_VALUE: field.reset(); return true;
        default: return false;
    }
}

}  // namespace today::detail::json
