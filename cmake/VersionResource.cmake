# The program's version information. Windows builds take it from the
# resource script; elsewhere a small generator, built and run at build time,
# writes the same VS_VERSIONINFO block into a source that puts it in the
# executable's ".quorlex_version" section, where GetFileVersionInfoW finds it.
if(WIN32)
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/VersionValues.cmake)

set(QUORLEX_VERSION_DIR ${CMAKE_CURRENT_BINARY_DIR}/version)
configure_file(${CMAKE_CURRENT_LIST_DIR}/VersionStrings.h.in
               ${QUORLEX_VERSION_DIR}/VersionStrings.h @ONLY)

add_executable(make-version-block tools/MakeVersionBlock.cpp)
target_include_directories(make-version-block PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/src ${QUORLEX_VERSION_DIR})

add_custom_command(
  OUTPUT ${QUORLEX_VERSION_DIR}/VersionBlock.cpp
  COMMAND make-version-block ${QUORLEX_VERSION_DIR}/VersionBlock.cpp
  DEPENDS make-version-block
  COMMENT "Generating the version information block"
  VERBATIM)
target_sources(quorlex PRIVATE ${QUORLEX_VERSION_DIR}/VersionBlock.cpp)
