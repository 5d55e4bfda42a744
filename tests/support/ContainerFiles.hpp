// A check that several suites make after hostile or concurrent work on a container.
#pragma once

#include <string>

namespace today::testing {

// Every file of the container is whole: "projects.json" and each "<id>.prj" decode, the list's lock file
// holds nothing, and no other file (a temporary file of a save, say) is left.
void expectWholeContainerFiles(const std::string& container);

}  // namespace today::testing
