// The names a profile takes when its plan has none. Their spelling is part of the stored format:
// "projects.json" files written with them, and the peers that read those files, rely on it exactly, so
// it must not be corrected.
#pragma once

#include <string_view>

namespace today::detail {

// After a rebuild of the snapshot, and for a stored profile without a name.
inline constexpr std::string_view untitledProjectName = "Untitiled";
// After an add or an update.
inline constexpr std::string_view unknownProjectName = "Unknow";

}  // namespace today::detail
