# Run at install time, after the data files are in place: rebuilds the
# shared MIME database, the desktop entry cache and the hicolor icon cache
# under the installation prefix, with whichever of the tools is present.
# Skipped when installing into a staging root (DESTDIR).
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  return()
endif()
set(share "${CMAKE_INSTALL_PREFIX}/${STROVEL_INSTALL_DATADIR}")
find_program(UPDATE_MIME update-mime-database)
find_program(UPDATE_DESKTOP update-desktop-database)
find_program(UPDATE_ICONS gtk-update-icon-cache)
if(UPDATE_MIME)
  message(STATUS "Updating the MIME database in ${share}/mime")
  execute_process(COMMAND ${UPDATE_MIME} "${share}/mime")
endif()
if(UPDATE_DESKTOP)
  execute_process(COMMAND ${UPDATE_DESKTOP} -q "${share}/applications")
endif()
if(UPDATE_ICONS AND EXISTS "${share}/icons/hicolor/index.theme")
  execute_process(COMMAND ${UPDATE_ICONS} -q -t "${share}/icons/hicolor")
endif()
