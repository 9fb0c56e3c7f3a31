# The project's version is the one place the version is written: the program's numbers,
# the package, the metainfo and the manual page all take theirs from it. The changelog's
# newest heading must name that version; its date is the release date.
target_compile_definitions(orvenna_core PUBLIC
  ORVENNA_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  ORVENNA_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  ORVENNA_VERSION_PATCH=${PROJECT_VERSION_PATCH})

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ORVENNA_RELEASE_HEADINGS REGEX "^## [0-9]")
list(GET ORVENNA_RELEASE_HEADINGS 0 newest)
if(NOT newest MATCHES "^## ([0-9.]+) \\(([0-9]+-[0-9]+-[0-9]+)\\)$")
  message(FATAL_ERROR "CHANGELOG.md: the newest heading must read '## VERSION (YYYY-MM-DD)', not '${newest}'")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "CHANGELOG.md's newest release is ${CMAKE_MATCH_1}, the project's version ${PROJECT_VERSION}")
endif()
set(ORVENNA_RELEASE_DATE ${CMAKE_MATCH_2})
