# The version resource of the Windows program: the same values as the POSIX
# build's version block (cmake/VersionResource.cmake), written into a
# resource script that windres compiles into quorlex.exe.
set(QUORLEX_PRODUCT_NAME "Quorlex")
set(QUORLEX_COMPANY_NAME "The Quorlex developers")
set(QUORLEX_FILE_DESCRIPTION "Unattended PDF printing")
set(QUORLEX_LEGAL_COPYRIGHT "Copyright (C) 2026 The Quorlex developers")
set(QUORLEX_LEGAL_TRADEMARKS "")
set(QUORLEX_INTERNAL_NAME "quorlex")
set(QUORLEX_ORIGINAL_FILENAME "quorlex.exe")
set(QUORLEX_FILE_VERSION
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")

configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.rc.in
               ${CMAKE_CURRENT_BINARY_DIR}/version/Version.rc @ONLY)
target_sources(quorlex PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/version/Version.rc)
