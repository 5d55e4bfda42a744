// File helpers on the host seam.
#include "today/outside/FileHelper.hpp"

#include "today/outside/Host.hpp"
#include "today/outside/Path.hpp"

namespace today::detail {

bool FileHelper::exists(const std::string& path) { return Host::current().exists(path); }

std::optional<Date> FileHelper::lastUpdateDate(const std::string& path) { return Path(path).lastUpdateDate(); }

bool FileHelper::deleteFile(const std::string& path) { return Host::current().remove(path); }

}  // namespace today::detail
