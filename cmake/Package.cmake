# What `cmake --install` puts where, relative to the prefix, so the installed tree can be
# moved: the demo in games/ (Debian's place for games and demos), its shaders and generated
# resources in share/lanternfall/ (the demo finds them from its own place, ../share), the
# README, licence terms and changelog in the documentation folder, the manual page, and
# what desktops list it by. Only the demo is installed: no tests, no generator, no tools.
include(GNUInstallDirs)

set(LANTERNFALL_BIN_DIR games)
set(LANTERNFALL_DATA_DIR "${CMAKE_INSTALL_DATADIR}/lanternfall")
set(LANTERNFALL_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/lanternfall")
install(TARGETS lanternfall RUNTIME DESTINATION "${LANTERNFALL_BIN_DIR}")
# A stripped install (cpack's) also drops the compiler's version notes, as Debian's own
# packaging does.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${LANTERNFALL_BIN_DIR}/lanternfall\"
            COMMAND_ERROR_IS_FATAL ANY)
    endif()")
# The icon goes where desktops look for it (below), not among the demo's data; the dungeon's
# open space is for the tests and tools, not the demo.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/shader" "${PROJECT_SOURCE_DIR}/resources"
        DESTINATION "${LANTERNFALL_DATA_DIR}" PATTERN icon EXCLUDE PATTERN open_space.txt EXCLUDE)
install(FILES "${PROJECT_SOURCE_DIR}/README.md" DESTINATION "${LANTERNFALL_DOC_DIR}")
# Debian reads the licence terms from copyright, in its machine-readable form.
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" DESTINATION "${LANTERNFALL_DOC_DIR}")

# lintian takes the camera path's time scale, a .txt file, for documentation: it is data.
install(FILES "${PROJECT_SOURCE_DIR}/packaging/lintian-overrides"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides" RENAME lanternfall)

# The manual page and the changelog are installed compressed, as Debian wants them; -n
# leaves out the name and time, so the same text gives the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(compressed_docs "")
foreach(doc lanternfall.6 changelog)
    set(copy "${CMAKE_BINARY_DIR}/packaging/${doc}")
    add_custom_command(
        OUTPUT "${copy}.gz"
        COMMAND "${CMAKE_COMMAND}" -E copy "${PROJECT_SOURCE_DIR}/packaging/${doc}" "${copy}"
        COMMAND "${GZIP_PROGRAM}" -9nf "${copy}"
        DEPENDS "${PROJECT_SOURCE_DIR}/packaging/${doc}"
        VERBATIM)
    list(APPEND compressed_docs "${copy}.gz")
endforeach()
add_custom_target(package_docs ALL DEPENDS ${compressed_docs})
install(FILES "${CMAKE_BINARY_DIR}/packaging/lanternfall.6.gz"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man6")
install(FILES "${CMAKE_BINARY_DIR}/packaging/changelog.gz" DESTINATION "${LANTERNFALL_DOC_DIR}")
# For menus and software centres: the desktop entry, the generator's icon and the
# AppStream metainfo. The id's domain is the reserved .invalid: the demo has no site.
set(LANTERNFALL_APP_ID invalid.lanternfall.Lanternfall)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/${LANTERNFALL_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${PROJECT_SOURCE_DIR}/resources/icon/lanternfall.png"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/${LANTERNFALL_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# The Debian package: `cpack -G DEB` in the build folder writes
# lanternfall_VERSION_amd64.deb, its run-time dependencies worked out from the demo's own
# libraries (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lanternfall)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time 3D flight through a lantern-lit dungeon")
# The long description: cpack puts the synopsis first, indents each line by one space and
# turns the empty line between paragraphs into Debian's " .".
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "A camera flies a scripted path through a generated, normal-mapped dungeon"
       "while dark ambient music plays. A moving point light casts omnidirectional"
       "shadows, braziers and candles glow through an HDR bloom, and stars rise"
       "over the ruins at the end."
       ""
       "Press C to leave the path and fly freely with W A S D and the mouse."
       "The demo needs OpenGL 3.3.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Lanternfall maintainers <maintainers@lanternfall.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# GLFW opens the GL library at run time, where dpkg-shlibdeps cannot see it; the rest is
# appended from the demo's own libraries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libgl1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
