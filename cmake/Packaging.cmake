# CPack: a Debian package of the programs, their modules and desktop integration, with the sample
# collection as a component of its own. `cpack -G DEB` in the build directory.
set(CPACK_PACKAGE_NAME quillmar)
set(CPACK_PACKAGE_VENDOR "The Quillmar developers")
set(CPACK_PACKAGE_CONTACT "Quillmar developers <support@quillmar.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reader and full-text search for scholarly CD-ROM text collections")
set(CPACK_PACKAGE_DESCRIPTION
  "Quillmar reads the multi-volume text collections that scholarly publishers put on CD-ROM:\n\
chapters, pages, line numbers, footnotes, scholia, Greek and Hebrew, pictures and tables. It\n\
searches them with words, masks, phrases, AND/OR and fuzzy levels. The package holds the reader,\n\
quillmar-reader, and the command-line tool, quillmar.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillmar.example.org/")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_INSTALL_DIRECTORY quillmar)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL OFF)  # one package: programs and sample collection
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared-library dependencies (Qt 6, the C++ runtime) come from dpkg-shlibdeps; the SVG
# image format plug-in is loaded at run time and so named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")

include(CPack)
cpack_add_component(programs DISPLAY_NAME "Programs" REQUIRED)
cpack_add_component(samples DISPLAY_NAME "Sample collection"
  DESCRIPTION "A small Herodotus collection to try the reader on")
