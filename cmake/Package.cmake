# Installation and the Debian package. `cmake --install` puts the program,
# its desktop entry (which also claims the clipvane: URL scheme), its icon at
# every size of the icon theme, its manual page, its copyright and changelog
# and its PAM service where Debian looks for them; `cpack -G DEB` packs
# exactly these files and nothing else of the build (no tests, benchmarks or
# tools).
if(NOT TARGET clipvane)
  return()
endif()
include(GNUInstallDirs)

set(CLIPVANE_DATA_DIR ${CMAKE_SOURCE_DIR}/src/x11/data)
set(CLIPVANE_ICON_DIR ${CMAKE_BINARY_DIR}/icons)

# ---- the icon, drawn at build time by the painter the program's windows use
add_executable(clipvane_app_icon ${CMAKE_SOURCE_DIR}/tools/app-icon/app-icon.cpp)
target_include_directories(clipvane_app_icon PRIVATE ${CMAKE_SOURCE_DIR}/tools/app-icon)
target_link_libraries(clipvane_app_icon PRIVATE clipvane_ui)
# The scalable icon is written last: it stands for the whole set. A sanitized
# build's leak report at exit would fail the build, not a test.
set(CLIPVANE_ICON_STAMP ${CLIPVANE_ICON_DIR}/hicolor/scalable/apps/clipvane.svg)
add_custom_command(
  OUTPUT ${CLIPVANE_ICON_STAMP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CLIPVANE_ICON_DIR}/hicolor
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:clipvane_app_icon> ${CLIPVANE_ICON_DIR}
  DEPENDS clipvane_app_icon
  COMMENT "Drawing the application icon")
add_custom_target(clipvane_icons ALL DEPENDS ${CLIPVANE_ICON_STAMP})

# ---- the manual page and the changelog, gzipped as Debian keeps them: at the
# highest level, with no file name or time inside (the same bytes every build)
set(CLIPVANE_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(CLIPVANE_DOC_DIR ${CMAKE_BINARY_DIR}/doc)
set(CLIPVANE_DOCS)
foreach(doc clipvane.1 changelog)
  add_custom_command(
    OUTPUT ${CLIPVANE_DOC_DIR}/${doc}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CLIPVANE_DOC_DIR}
    COMMAND sh -c "gzip -9nc \"$1\" >\"$2\"" gzip ${CLIPVANE_PACKAGING_DIR}/${doc}
            ${CLIPVANE_DOC_DIR}/${doc}.gz
    DEPENDS ${CLIPVANE_PACKAGING_DIR}/${doc}
    VERBATIM)
  list(APPEND CLIPVANE_DOCS ${CLIPVANE_DOC_DIR}/${doc}.gz)
endforeach()
add_custom_target(clipvane_docs ALL DEPENDS ${CLIPVANE_DOCS})

# ---- installation (component "clipvane": the package's contents) -------------
install(TARGETS clipvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT clipvane)
install(FILES ${CLIPVANE_DATA_DIR}/clipvane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT clipvane)
install(DIRECTORY ${CLIPVANE_ICON_DIR}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
        COMPONENT clipvane)
install(FILES ${CLIPVANE_DOC_DIR}/clipvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT clipvane)
install(FILES ${CLIPVANE_PACKAGING_DIR}/copyright ${CLIPVANE_DOC_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/clipvane COMPONENT clipvane)
# PAM reads its services from /etc/pam.d whatever the prefix; a private
# install can put the file elsewhere.
set(CLIPVANE_PAM_DIR /etc/pam.d CACHE PATH "Where the PAM service file is installed")
install(FILES ${CLIPVANE_DATA_DIR}/clipvane.pam DESTINATION ${CLIPVANE_PAM_DIR} RENAME clipvane
        COMPONENT clipvane)

# ---- the Debian package --------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME clipvane)
set(CPACK_PACKAGE_VENDOR Clipvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Clipvane <support@clipvane.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps sensitive data out of pasted text")
set(CPACK_PACKAGE_DESCRIPTION
    "A tray utility for X11 desktops. It watches the clipboard, finds e-mail\n\
addresses, phone numbers, cards, IBANs, names, API keys, private keys,\n\
internal hosts and the user's own terms, and pastes the text with\n\
placeholders instead. Everything runs on the machine.")
# The PAM file's absolute destination lands inside the package too, and the
# rest under /usr whatever prefix the build was configured with.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Clipvane;clipvane;/")
# The build keeps its debugging symbols; the package does not.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://clipvane.app)
# Libraries come from dpkg-shlibdeps; the PAM service includes Debian's
# common-auth and common-account. Without the accessibility bus nothing is read
# from other applications; without xdg-open no web address opens.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libpam-runtime)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "at-spi2-core, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The PAM service is the administrator's to edit: removal keeps it, purge
# deletes it, and an upgrade asks before replacing a changed one.
file(WRITE ${CMAKE_BINARY_DIR}/debian/conffiles "${CLIPVANE_PAM_DIR}/clipvane\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/conffiles)
# The desktop database, the MIME handlers and the icon cache follow through
# the dpkg triggers of desktop-file-utils and gtk-update-icon-cache where
# those are installed: no maintainer scripts.
include(CPack)

# ---- checks of the installed data ------------------------------------------------
clipvane_sources(PACKAGE_TEST_SOURCES tests/package)
if(PACKAGE_TEST_SOURCES AND CLIPVANE_TESTS)
  find_package(Qt6 REQUIRED COMPONENTS Svg)
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  add_executable(clipvane_package_tests ${PACKAGE_TEST_SOURCES})
  target_include_directories(clipvane_package_tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/app-icon)
  target_link_libraries(clipvane_package_tests PRIVATE clipvane_ui Qt6::Svg GTest::gtest)
  target_compile_definitions(clipvane_package_tests PRIVATE
    CLIPVANE_ICON_DIR="${CLIPVANE_ICON_DIR}"
    CLIPVANE_DESKTOP_ENTRY="${CLIPVANE_DATA_DIR}/clipvane.desktop"
    CLIPVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    CLIPVANE_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots"
    CLIPVANE_DESKTOP_FILE_VALIDATE="$<$<BOOL:${DESKTOP_FILE_VALIDATE}>:${DESKTOP_FILE_VALIDATE}>")
  add_dependencies(clipvane_package_tests clipvane_icons)
  gtest_discover_tests(clipvane_package_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ui
                       ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
