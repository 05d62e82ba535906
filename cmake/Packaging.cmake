# What a distribution expects beside the program: the manual page, the AppStream metadata, the licence and,
# in the Debian package, its changelog and copyright file; then cpack -G DEB, a package installing under /usr.

# Compressed as Debian wants them: at the highest level, with no name or time stamp inside.
function(kestrelle_gzip source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND gzip -9nc ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()
set(KESTRELLE_MAN_PAGE ${CMAKE_BINARY_DIR}/packaging/kestrelle.1.gz)
set(KESTRELLE_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
kestrelle_gzip(${CMAKE_SOURCE_DIR}/assets/kestrelle.1 ${KESTRELLE_MAN_PAGE})
kestrelle_gzip(${CMAKE_SOURCE_DIR}/packaging/changelog ${KESTRELLE_CHANGELOG})
add_custom_target(package_documents ALL DEPENDS ${KESTRELLE_MAN_PAGE} ${KESTRELLE_CHANGELOG})

set(KESTRELLE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kestrelle)
install(FILES ${KESTRELLE_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KESTRELLE_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
  RENAME example.kestrelle.Kestrelle.metainfo.xml)
# The copyright file carries the licence in the form Debian reads, for any installed tree.
install(FILES packaging/copyright ${KESTRELLE_CHANGELOG} DESTINATION ${KESTRELLE_DOC_DIR})

set(CPACK_PACKAGE_NAME kestrelle)
set(CPACK_PACKAGE_VENDOR Kestrelle)
set(CPACK_PACKAGE_CONTACT "Kestrelle <support@kestrelle.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Compare two pictures side by side")
# Lines under 80 columns, as Debian's tools show them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Kestrelle shows two pictures side by side at their natural size; the arrow\n"
  "keys pan both together, and both can be shown over the whole screen.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The linked libraries are found by dpkg-shlibdeps (package dpkg-dev), the format modules' too (libwebp,
# libwebpdemux, libtiff, libheif, libavif, libjxl, libjxl_threads, libopenjp2, OpenEXR, libraw_r,
# librsvg and cairo): a module is part of the program, and a missing library would refuse its format.
# The QOI, TGA and PSD modules need no library beyond the program's own.
# The X11 platform plug-in and a font are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
# Load Sample/Example Files offers to open the samples' folder with xdg-open; on a desktop with Wayland
# alone the program runs on Wayland, through the toolkit's plug-in there.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland")
include(CPack)
