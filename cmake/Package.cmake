# What `cmake --install` puts where, relative to the prefix, so the installed tree can be
# moved: the demo in bin/, its shaders and generated resources in share/lanternfall/ (the
# demo finds them from its own place), the README in the documentation folder, and what
# desktops list it by. Only the demo is installed: no tests, no generator, no tools.
include(GNUInstallDirs)

set(LANTERNFALL_DATA_DIR "${CMAKE_INSTALL_DATADIR}/lanternfall")
install(TARGETS lanternfall RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
# The icon goes where desktops look for it (below), not among the demo's data.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/shader" "${PROJECT_SOURCE_DIR}/resources"
        DESTINATION "${LANTERNFALL_DATA_DIR}" PATTERN icon EXCLUDE)
install(FILES "${PROJECT_SOURCE_DIR}/README.md"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/lanternfall")
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
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time 3D demo: a lantern-lit flight through a dungeon")
# The long description's lines, as Debian wants them: each after a space.
string(JOIN "\n " CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "real-time 3D demo: a lantern-lit flight through a dungeon"
       "A camera flies a scripted path through a generated, normal-mapped dungeon while"
       "music plays: a moving point light casts omnidirectional shadows, braziers and"
       "candles glow through an HDR bloom, and stars rise over the ruins at the end."
       "Press C to fly freely with W A S D and the mouse. Needs OpenGL 3.3.")
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
