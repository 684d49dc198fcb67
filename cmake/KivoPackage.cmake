# `make package` / `cpack -G DEB`: a Debian package installing to /usr, stripped, with its
# runtime dependencies found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kivomat)
set(CPACK_PACKAGE_VENDOR "Kivomat developers")
set(CPACK_PACKAGE_CONTACT "Kivomat developers <kivomat@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tidy folders of digital photos")
set(CPACK_PACKAGE_DESCRIPTION
    "Kivomat renames photos after their date with a per-day counter or a running number, "
    "sets their modification times from the EXIF date stamps and gathers the JPEG files of "
    "a folder tree into one folder, never overwriting anything. The command-line tools "
    "kivo-info and kivo-tidy show the metadata and run the same jobs in scripts.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Install scripts then see the final prefix (/usr), not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's plugins for WebP, TIFF and the like: their thumbnails and nothing else need them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n ${CPACK_PACKAGE_DESCRIPTION}")
include(CPack)
