# The version resource of the Windows program: the product's version values
# (cmake/VersionValues.cmake) written into a resource script that windres
# compiles into quorlex.exe.
include(${PROJECT_SOURCE_DIR}/cmake/VersionValues.cmake)
set(QUORLEX_INTERNAL_NAME "quorlex")
set(QUORLEX_ORIGINAL_FILENAME "quorlex.exe")

configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.rc.in
               ${CMAKE_CURRENT_BINARY_DIR}/version/Version.rc @ONLY)
target_sources(quorlex PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/version/Version.rc)
