// Opaque byte buffers: bookmark data and whole file contents.
#pragma once

#include <cstdint>
#include <vector>

namespace today {

using Bytes = std::vector<std::uint8_t>;

}  // namespace today
