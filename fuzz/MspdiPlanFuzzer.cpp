// Fuzzes the Microsoft Project XML reader of the command: any bytes either are refused with a message or
// give a plan whose today snapshot can be written and read back.
#include <cstdint>
#include <string_view>

#include "FuzzCheck.hpp"
#include "PlanProperties.hpp"
#include "tools/today/plans/PlanLoader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto result = today::cli::parseMspdiPlan(bytes, "fuzz.xml");
    today::fuzzing::require(result.project.has_value() == result.error.empty(), "a plan or a message, not both");
    if (result.project) today::fuzzing::checkPlan(*result.project);
    return 0;
}
