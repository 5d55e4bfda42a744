// Fresh identifiers for profiles: random UUID strings, each a safe single file-name component.
#pragma once

#include <string>

namespace today::detail {

// A new random (version 4) UUID in upper-case hexadecimal, e.g. "1B4E28BA-2FA1-4D3B-A3F5-EF19B5A7633B",
// drawn from the host's randomness.
std::string newIdentifier();

}  // namespace today::detail
