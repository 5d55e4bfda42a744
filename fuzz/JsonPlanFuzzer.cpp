// Fuzzes the JSON plan reader of the command: any text either is refused with a message or gives a plan
// whose today snapshot can be written and read back.
#include <cstdint>
#include <string_view>

#include "FuzzCheck.hpp"
#include "PlanProperties.hpp"
#include "tools/today/plans/PlanLoader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto result = today::cli::parseJsonPlan(text, "fuzz.json");
    today::fuzzing::require(result.project.has_value() == result.error.empty(), "a plan or a message, not both");
    if (result.project) today::fuzzing::checkPlan(*result.project);
    return 0;
}
