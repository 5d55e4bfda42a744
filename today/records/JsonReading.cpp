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

}  // namespace today::detail::json
