# The Debian package (cpack -G DEB; scripts/package builds it): the program,
# its plugins, the man page, the copyright file and the changelog, with its
# Depends worked out from the shared libraries it links (dpkg-shlibdeps).
# Configure with -DCMAKE_INSTALL_PREFIX=/usr so that the plugins land in the
# multiarch library folder the program looks in.
if(WIN32)
  return()
endif()

set(QUORLEX_MAINTAINER "The Quorlex developers <developers@quorlex.org>")

# The documentation files Debian wants, compressed as it wants them.
set(QUORLEX_DOC_BUILD ${CMAKE_BINARY_DIR}/doc)
add_custom_command(
  OUTPUT ${QUORLEX_DOC_BUILD}/quorlex.1.gz ${QUORLEX_DOC_BUILD}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORLEX_DOC_BUILD}
  COMMAND sh -c "gzip -9n -c '${PROJECT_SOURCE_DIR}/docs/quorlex.1' > '${QUORLEX_DOC_BUILD}/quorlex.1.gz'"
  COMMAND sh -c "gzip -9n -c '${PROJECT_SOURCE_DIR}/packaging/debian/changelog' > '${QUORLEX_DOC_BUILD}/changelog.gz'"
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/quorlex.1 ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
  COMMENT "Compressing the man page and the changelog"
  VERBATIM)
add_custom_target(quorlex_docs ALL DEPENDS ${QUORLEX_DOC_BUILD}/quorlex.1.gz ${QUORLEX_DOC_BUILD}/changelog.gz)
install(FILES ${QUORLEX_DOC_BUILD}/quorlex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${QUORLEX_DOC_BUILD}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorlex)
# scripts/package names the release it builds on: 0.1.0~deb12, 0.1.0~deb13.
set(QUORLEX_PACKAGE_VERSION ${PROJECT_VERSION} CACHE STRING "the Debian package's version")
set(CPACK_PACKAGE_VERSION ${QUORLEX_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorlex developers")
set(CPACK_PACKAGE_CONTACT ${QUORLEX_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print one PDF file to one named printer, unattended")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorlex prints one PDF file to one printer and ends. Other programs start it
unattended: it takes everything from its command line, puts every page on the
printer paper of its size (upright or turned), sends the document itself
rather than a redrawing of it, logs through named, levelled log writers and
tells the user about a failed run in a notice. It prints through CUPS and has
a built-in PDF file printer (file:PATH).")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUORLEX_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quorlex.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
