# Installation where XScreenSaver looks for hacks and their settings, and the Debian package.

include(GNUInstallDirs)
install(TARGETS ambervale RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(FILES "${CMAKE_CURRENT_SOURCE_DIR}/ambervale.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
# The Wayland program (src/wayland, added after this folder: hence by its file).
install(PROGRAMS "$<TARGET_FILE:ambervale-wayland>" DESTINATION ${CMAKE_INSTALL_BINDIR})

# Debian keeps a package's licence terms in one file: our licence, then what ships inside.
set(copyright_file "${CMAKE_CURRENT_BINARY_DIR}/copyright")
add_custom_command(OUTPUT "${copyright_file}"
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${copyright_file}
          "-DINPUTS=${CMAKE_SOURCE_DIR}/LICENSE;${CMAKE_SOURCE_DIR}/THIRD_PARTY_NOTICES.txt"
          -P "${CMAKE_CURRENT_SOURCE_DIR}/concatenate.cmake"
  DEPENDS "${CMAKE_SOURCE_DIR}/LICENSE" "${CMAKE_SOURCE_DIR}/THIRD_PARTY_NOTICES.txt"
          "${CMAKE_CURRENT_SOURCE_DIR}/concatenate.cmake"
  VERBATIM)
add_custom_target(ambervale_copyright ALL DEPENDS "${copyright_file}")
install(FILES "${copyright_file}" DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ambervale)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ambervale)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Ambervale Screensaver developers")
set(CPACK_PACKAGE_CONTACT "The Ambervale Screensaver developers <ambervale@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Autumn leaves fading onto your desktop (XScreenSaver hack)")
set(CPACK_PACKAGE_DESCRIPTION
    "Ambervale paints autumn leaves over a picture of the desktop, cell after cell, in thirteen layouts. It runs as an XScreenSaver display mode.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xscreensaver)
set(CPACK_STRIP_FILES ON)
include(CPack)

# cmake --build <tree> --target deb: build/<tree>/ambervale_<version>_amd64.deb
add_custom_target(deb
  COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config "${CMAKE_BINARY_DIR}/CPackConfig.cmake"
  WORKING_DIRECTORY "${CMAKE_BINARY_DIR}"
  DEPENDS ambervale ambervale-wayland ambervale_copyright
  COMMENT "Making the Debian package"
  VERBATIM)

add_test(NAME x11_debian_package
  COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/package_test.sh" "${CMAKE_BINARY_DIR}" "${CMAKE_SOURCE_DIR}"
          "${PROJECT_VERSION}")
set_tests_properties(x11_debian_package PROPERTIES TIMEOUT 300)
