# Finds the Debian packages the today library links: simdjson, fmt, uriparser (CMake packages) and
# utf8proc, libsodium (plain libraries, wrapped as imported targets). Included by the build and by the
# installed package configuration, so consumers of a static today find the same libraries.
include(CMakeFindDependencyMacro)

find_dependency(simdjson)
find_dependency(fmt)
find_dependency(uriparser)

foreach(dep IN ITEMS utf8proc sodium)
  if(NOT TARGET today_dep::${dep})
    find_path(TODAY_${dep}_INCLUDE_DIR NAMES ${dep}.h REQUIRED)
    find_library(TODAY_${dep}_LIBRARY NAMES ${dep} REQUIRED)
    add_library(today_dep::${dep} UNKNOWN IMPORTED)
    set_target_properties(today_dep::${dep} PROPERTIES
      IMPORTED_LOCATION "${TODAY_${dep}_LIBRARY}"
      INTERFACE_INCLUDE_DIRECTORIES "${TODAY_${dep}_INCLUDE_DIR}")
  endif()
endforeach()
