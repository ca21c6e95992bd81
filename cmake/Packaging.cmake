# `cpack -G DEB` in the build folder: orvelle_<version>_<arch>.deb, with its
# Depends computed from the libraries the programs link.
set(CPACK_PACKAGE_NAME orvelle)
set(CPACK_PACKAGE_VENDOR "Orvelle developers")
set(CPACK_PACKAGE_CONTACT "Orvelle developers <developers@orvelle.dev>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "measures how much a speech codec degrades narrow-band speech")
set(CPACK_PACKAGE_DESCRIPTION "Orvelle feeds 8 kHz speech through a codec plug-in (a shared library with
two C exports, or a command), scores the decoded speech against the source
with its own measure, and ranks codecs. It has a desktop program, a
command-line program with batch runs and HTML reports, and a plug-in SDK.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY orvelle)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The bundled speech and the host are found beside the programs; sox and
# espeak-ng are needed only to build the speech, not to run.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pkg-config")
if(TARGET orvelle_python)
  # The Python package's own needs, beside the libraries its module links.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3, python3-numpy")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# What Debian asks of every package: its copyright and its changelog, the
# latter compressed reproducibly.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/orvelle)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(orvelle_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${doc_dir})
include(CPack)
