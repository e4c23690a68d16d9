# The launcher's own code, by subsystem, and the OS layer's desktop side, which goes into
# every Windows launcher; taken from the launcher's tree wherever this file is included.
get_filename_component(KOL_LAUNCHER_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(KOL_LAUNCHER_ROOT ${KOL_LAUNCHER_ROOT} CACHE INTERNAL "")

file(GLOB KOL_PRODUCT_SOURCES CONFIGURE_DEPENDS
    ${KOL_LAUNCHER_ROOT}/text/*.cpp
    ${KOL_LAUNCHER_ROOT}/handoff/*.cpp
    ${KOL_LAUNCHER_ROOT}/registry/*.cpp
    ${KOL_LAUNCHER_ROOT}/external/*.cpp
    ${KOL_LAUNCHER_ROOT}/splash/*.cpp
    ${KOL_LAUNCHER_ROOT}/launcher/*.cpp)
file(GLOB KOL_DESKTOP_SOURCES CONFIGURE_DEPENDS ${KOL_LAUNCHER_ROOT}/platform/win32/*.cpp)

set(KOL_WARNINGS -Wall -Wextra -Werror)
# The same sources give the same bytes: no link time in an image's header (its checksum,
# computed over the rest, is then the same too).
set(KOL_REPRODUCIBLE_LINK -Wl,--no-insert-timestamp)
