# `make package`: a Debian package of both programs and their desktop files, with the
# dependencies that dpkg-shlibdeps finds in the binaries. The binaries are stripped and the
# package installs under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quernix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(QUERNIX_MAINTAINER "Quernix maintainers <quernix@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT ${QUERNIX_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUERNIX_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps also brings in libqt6webenginecore6-bin, the embedded browser's helper process.
# Qt's own dialogs in Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "checksums and message digests of files")
# CPack puts the summary on the Description line and indents these lines below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quernix computes checksums and message digests of files: MD2, MD4, MD5,
SHA-1, SHA-224, SHA-256, SHA-384, SHA-512, SHA-3, BLAKE2b, BLAKE2s,
RIPEMD-128, RIPEMD-160, Tiger, HAVAL, CRC-32, CRC-32C, CRC-64, Adler-32,
XXH3 and XXH128.

The window, quernix, takes files from its Open dialog, from a folder searched
recursively or by drag and drop, and shows each file's progress and result.
The command-line tool, quernsum, prints md5sum-style lines with the same
engine.")
include(CPack)
