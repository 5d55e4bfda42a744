// File helpers of the utility library, on the host seam.
#pragma once

#include <optional>
#include <string>

#include "today/outside/Date.hpp"

namespace today::detail {

struct FileHelper {
    static bool exists(const std::string& path);
    // The file's last-modification date, or none. The same conversion as `Path::lastUpdateDate`.
    static std::optional<Date> lastUpdateDate(const std::string& path);
    // Removes the file; false when it could not be removed.
    static bool deleteFile(const std::string& path);
};

}  // namespace today::detail
