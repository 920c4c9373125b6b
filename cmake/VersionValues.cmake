# The product's version values, the same in the Windows resource script
# (src/win32/VersionResource.cmake) and the POSIX version block
# (cmake/VersionResource.cmake).
set(QUORLEX_PRODUCT_NAME "Quorlex")
set(QUORLEX_COMPANY_NAME "The Quorlex developers")
set(QUORLEX_FILE_DESCRIPTION "Unattended PDF printing")
set(QUORLEX_LEGAL_COPYRIGHT "Copyright (C) 2026 The Quorlex developers")
set(QUORLEX_LEGAL_TRADEMARKS "")
set(QUORLEX_FILE_VERSION
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
