# Installation where XScreenSaver, MATE and xfce4-screensaver look for hacks, and the Debian
# and RPM packages. Both packages hold whatever the install rules of the build put in place,
# so a program with its own install rules is packaged wherever the build is.

include(GNUInstallDirs)
include("${CMAKE_SOURCE_DIR}/cmake/compressed_docs.cmake")
install(TARGETS ambervale RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(FILES "${CMAKE_CURRENT_SOURCE_DIR}/ambervale.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(FILES "${CMAKE_CURRENT_SOURCE_DIR}/ambervale.desktop"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications/screensavers)
ambervale_add_man_page(ambervale.6 ambervale)

# The licence in Debian's machine-readable form. The package holds only our own work (the
# program with its leaf pictures, its settings page, its menu entry and manual page): it links
# the system's libjpeg, whose notices Debian installs beside that library.
file(READ "${CMAKE_SOURCE_DIR}/LICENSE" licence)
string(REGEX REPLACE "^.*\nCopyright [^\n]*\n+" "" licence_terms "${licence}")
string(STRIP "${licence_terms}" licence_terms)
string(REGEX REPLACE "\n\n+" "\n.\n" licence_terms "${licence_terms}")
string(REPLACE "\n" "\n " licence_terms " ${licence_terms}")
string(REGEX REPLACE "^Copyright (\\([cC]\\) )?" "" copyright_holders "${AMBERVALE_COPYRIGHT}")
set(doc_dir "${CMAKE_CURRENT_BINARY_DIR}/doc")
file(CONFIGURE OUTPUT "${doc_dir}/copyright" CONTENT [[
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Ambervale Screensaver
Upstream-Contact: ${AMBERVALE_MAINTAINER}
Source: ${PROJECT_HOMEPAGE_URL}

Files: *
Copyright: ${copyright_holders}
License: Expat

License: Expat
${licence_terms}
]])
# The changelog, signed by the maintainer of the project's metadata. A native package (its
# version has no Debian revision) keeps it as changelog.gz.
configure_file(changelog "${doc_dir}/changelog" @ONLY)
ambervale_compress("${doc_dir}/changelog" "${doc_dir}/changelog.gz" ambervale_changelog)
install(FILES "${doc_dir}/copyright" "${doc_dir}/changelog.gz" DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ambervale)

set(CPACK_GENERATOR DEB RPM)
set(CPACK_PACKAGE_NAME ambervale)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Ambervale Screensaver developers")
set(CPACK_PACKAGE_CONTACT "${AMBERVALE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "autumn leaves fading onto the desktop, a screensaver")
# CPack puts the summary first; Debian wraps nothing, so the lines stay within 80 characters.
set(package_description "Ambervale paints autumn leaves over a picture of the desktop, cell after cell,
in thirteen layouts: grids, a pyramid, rings, spirals and waves.

It is a display mode of XScreenSaver, with a settings page in
xscreensaver-settings, and is listed by the MATE and xfce4-screensaver
screensavers; ambervale-settings sets it up with a live preview there, on its
own and on Wayland. Pictures of the desktop are shown only where XScreenSaver's
grabDesktopImages preference allows them; otherwise the leaves fall on a calm
plain background.")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${package_description}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xscreensaver)
set(CPACK_STRIP_FILES ON)

# The RPM (Fedora, openSUSE): the same files, whose XScreenSaver folders are Debian's too. Its
# dependencies are the libraries the programs link, as rpmbuild finds them
# (libjpeg.so.62()(64bit) and so on), which every distribution's packages provide.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Amusements/Graphics")
set(CPACK_RPM_PACKAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${package_description}")
set(CPACK_RPM_PACKAGE_SUGGESTS xscreensaver)
set(CPACK_RPM_PACKAGE_AUTOREQPROV ON)
# Folders the system or XScreenSaver owns.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
  /usr/libexec /usr/libexec/xscreensaver /usr/share/xscreensaver /usr/share/xscreensaver/config
  /usr/share/applications /usr/share/applications/screensavers /usr/share/man /usr/share/man/man1
  /usr/share/man/man6 /usr/share/doc /usr/share/icons /usr/share/icons/hicolor /usr/share/metainfo)
# Times from SOURCE_DATE_EPOCH and a fixed build host: two builds give the same bytes.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${AMBERVALE_MAINTAINER}
%define _buildhost reproducible
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _build_id_links none")
# The changelog in RPM's words, from the Debian one.
execute_process(COMMAND awk -v release=${CPACK_RPM_PACKAGE_RELEASE} -f "${CMAKE_CURRENT_SOURCE_DIR}/rpm_changelog.awk"
                          "${doc_dir}/changelog"
  OUTPUT_FILE "${doc_dir}/rpm-changelog" COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/rpm_changelog.awk")
set(CPACK_RPM_CHANGELOG_FILE "${doc_dir}/rpm-changelog")
include(CPack)

# The settings window, where GTK 3 was found (src/gtk_settings).
set(settings_window_targets)
if(TARGET ambervale-settings)
  set(settings_window_targets ambervale-settings ambervale_man_ambervale-settings.1)
endif()

# cmake --build <tree> --target deb: build/<tree>/ambervale_<version>_amd64.deb
add_custom_target(deb
  COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config "${CMAKE_BINARY_DIR}/CPackConfig.cmake"
  WORKING_DIRECTORY "${CMAKE_BINARY_DIR}"
  DEPENDS ambervale ambervale-wayland ambervale_changelog ambervale_man_ambervale.6 ambervale_man_ambervale-wayland.6
          ${settings_window_targets}
  COMMENT "Making the Debian package"
  VERBATIM)

add_test(NAME x11_debian_package
  COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/package_test.sh" "${CMAKE_BINARY_DIR}" "${CMAKE_SOURCE_DIR}"
          "${PROJECT_VERSION}")
set_tests_properties(x11_debian_package PROPERTIES TIMEOUT 300)
