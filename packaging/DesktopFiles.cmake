# The desktop's view of Orvalen: the menu entry and the helper it starts, the icon at the
# theme's usual sizes, and the metadata that software centres show.

# The theme's PNG sizes are drawn from the same SVG as the scalable icon, so they cannot drift
# apart.
find_program(ORVALEN_RSVG_CONVERT rsvg-convert REQUIRED)   # Debian: librsvg2-bin
set(ORVALEN_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/orvalen.svg)
set(ORVALEN_ICON_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
set(ORVALEN_ICON_PNGS)
foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
  set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}x${size}/${ORVALEN_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory icons/${size}x${size}
    COMMAND ${ORVALEN_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${ORVALEN_ICON_SVG}
    DEPENDS ${ORVALEN_ICON_SVG} VERBATIM)
  list(APPEND ORVALEN_ICON_PNGS ${png})
  install(FILES ${png} DESTINATION ${ORVALEN_ICON_DIR}/${size}x${size}/apps)
endforeach()
add_custom_target(orvalen_icons ALL DEPENDS ${ORVALEN_ICON_PNGS})
install(FILES ${ORVALEN_ICON_SVG} DESTINATION ${ORVALEN_ICON_DIR}/scalable/apps
        RENAME ${ORVALEN_APP_ID}.svg)

# The helper finds the program and the examples relative to itself, so an unpacked or
# relocated tree works as well as the installed one.
file(RELATIVE_PATH HELPER_TO_BIN ${CMAKE_INSTALL_FULL_LIBEXECDIR}/orvalen ${CMAKE_INSTALL_FULL_BINDIR})
file(RELATIVE_PATH HELPER_TO_EXAMPLES ${CMAKE_INSTALL_FULL_LIBEXECDIR}/orvalen
     ${CMAKE_INSTALL_FULL_DATADIR}/orvalen/examples)
configure_file(orvalen-from-menu.in orvalen-from-menu @ONLY)
install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/orvalen-from-menu DESTINATION ${ORVALEN_HELPER_DIR})

# The menu entry names the helper by its full path, which only the install knows: the Debian
# package goes under /usr whatever prefix the build was configured with, and `cmake --install
# --prefix` may choose yet another. So the entry is written when installing, from the prefix of
# that install.
set(ORVALEN_DESKTOP_ENTRY ${CMAKE_CURRENT_BINARY_DIR}/${ORVALEN_APP_ID}.desktop)
install(CODE "
  set(ORVALEN_APP_ID ${ORVALEN_APP_ID})
  set(libexec \"${CMAKE_INSTALL_LIBEXECDIR}\")
  cmake_path(ABSOLUTE_PATH libexec BASE_DIRECTORY \"\${CMAKE_INSTALL_PREFIX}\" NORMALIZE)
  set(ORVALEN_MENU_START \"\${libexec}/orvalen/orvalen-from-menu\")
  configure_file(\"${CMAKE_CURRENT_SOURCE_DIR}/${ORVALEN_APP_ID}.desktop.in\"
                 \"${ORVALEN_DESKTOP_ENTRY}\" @ONLY)
")
install(FILES ${ORVALEN_DESKTOP_ENTRY} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# There is no public home page; the screenshot is published at this address with the
# release.
set(ORVALEN_SCREENSHOT_URL "https://kestrelworks.com/orvalen/screenshot.png" CACHE STRING
    "Where the software centre fetches the screenshot (docs/screenshot.png) from")
list(TRANSFORM ORVALEN_PROGRAMS REPLACE "(.+)" "    <binary>\\1</binary>"
     OUTPUT_VARIABLE ORVALEN_PROVIDED_BINARIES)
list(JOIN ORVALEN_PROVIDED_BINARIES "\n" ORVALEN_PROVIDED_BINARIES)
configure_file(${ORVALEN_APP_ID}.metainfo.xml.in ${ORVALEN_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${ORVALEN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
