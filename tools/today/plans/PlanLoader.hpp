// Plan documents the command reads: JSON plans and Microsoft Project XML (MSPDI), chosen by content.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "today/outside/PlanDocument.hpp"

namespace today::cli {

// The outcome of reading one plan document: the project, or a message that names the file and the reason.
struct PlanLoadResult {
    std::optional<JsonProject> project;
    std::string error;  // empty on success
};

// Reads the file at `path` through the host seam and parses it by its content: an XML document whose root is
// MSPDI's <Project> goes to the MSPDI reader, anything else to the JSON plan reader.
PlanLoadResult loadPlanDocument(const std::string& path);

// The JSON plan reader (docs/plan-format.md). `fileName` is used in error messages only.
PlanLoadResult parseJsonPlan(std::string_view text, const std::string& fileName);

// The MSPDI reader. `fileName` is used in error messages and, without its extension, as the project's name
// when the document gives none.
PlanLoadResult parseMspdiPlan(std::string_view bytes, const std::string& fileName);

}  // namespace today::cli
