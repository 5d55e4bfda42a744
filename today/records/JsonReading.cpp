// Strict reading of the stored JSON values: each field null or of its one type.
#include "today/records/JsonReading.hpp"

namespace today::detail::json {

namespace {
// Documents up to this size keep the parser's buffers (about 3.5 times the document) for the next
// reading on the thread: allocating them afresh costs several times the parse itself, and the widget
// reads the same cache files over and over. A larger document's buffers are freed after its reading.
constexpr std::size_t keptCapacity = std::size_t{16} << 20;
}  // namespace

simdjson::dom::parser& threadParser() {
    thread_local simdjson::dom::parser parser;
    return parser;
}

void releaseLargeBuffers(simdjson::dom::parser& parser) {
    if (parser.capacity() > keptCapacity) {
        parser = simdjson::dom::parser{};
    }
}

namespace {
// The streaming readings take documents nested as deep as the DOM parser takes them (1024 levels with the
// root); the On-Demand parser counts one level more for that.
simdjson::ondemand::parser freshOnDemandParser() {
    simdjson::ondemand::parser parser;
    if (parser.allocate(0, simdjson::DEFAULT_MAX_DEPTH + 1) != simdjson::SUCCESS) {
        return simdjson::ondemand::parser{};  // out of memory: the next reading allocates again, or fails
    }
    return parser;
}
}  // namespace

simdjson::ondemand::parser& threadOnDemandParser() {
    thread_local simdjson::ondemand::parser parser = freshOnDemandParser();
    return parser;
}

void releaseLargeBuffers(simdjson::ondemand::parser& parser) {
    if (parser.capacity() > keptCapacity) {
        parser = freshOnDemandParser();
    }
}

}  // namespace today::detail::json
