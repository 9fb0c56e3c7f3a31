# The 32-bit Windows program: the handlers over the Win32 backend (orvenna_core, made by
# the top-level CMakeLists.txt), its resources, and its tests run under Wine.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")  # the resource script is UTF-8

# The icon and the About picture, converted from the committed images at build time.
find_program(ORVENNA_CONVERT convert REQUIRED)
set(ORVENNA_RES_DIR ${CMAKE_BINARY_DIR}/resources)
file(MAKE_DIRECTORY ${ORVENNA_RES_DIR})
add_custom_command(OUTPUT ${ORVENNA_RES_DIR}/orvenna.ico
  COMMAND ${ORVENNA_CONVERT} ${CMAKE_SOURCE_DIR}/data/orvenna.png -define icon:auto-resize=64,48,32,16
          ${ORVENNA_RES_DIR}/orvenna.ico
  DEPENDS data/orvenna.png VERBATIM)
add_custom_command(OUTPUT ${ORVENNA_RES_DIR}/about.bmp
  COMMAND ${ORVENNA_CONVERT} "${CMAKE_SOURCE_DIR}/data/about.gif[0]" -background white -flatten -type TrueColor
          BMP3:${ORVENNA_RES_DIR}/about.bmp
  DEPENDS data/about.gif VERBATIM)
# The file version as the program has always written it: 5.00.0011.
string(REPEAT "0" 2 zeros)
set(minor "${zeros}${PROJECT_VERSION_MINOR}")
string(LENGTH "${minor}" length)
math(EXPR from "${length} - 2")
string(SUBSTRING "${minor}" ${from} 2 ORVENNA_MINOR_2)
string(REPEAT "0" 4 zeros)
set(patch "${zeros}${PROJECT_VERSION_PATCH}")
string(LENGTH "${patch}" length)
math(EXPR from "${length} - 4")
string(SUBSTRING "${patch}" ${from} 4 ORVENNA_PATCH_4)
configure_file(data/orvenna.rc.in ${ORVENNA_RES_DIR}/orvenna.rc @ONLY)
set_source_files_properties(${ORVENNA_RES_DIR}/orvenna.rc PROPERTIES
  OBJECT_DEPENDS "${ORVENNA_RES_DIR}/orvenna.ico;${ORVENNA_RES_DIR}/about.bmp;${CMAKE_SOURCE_DIR}/data/orvenna.manifest")

set(ORVENNA_RESOURCES ${ORVENNA_RES_DIR}/orvenna.rc)  # the tests take them too
add_executable(orvenna WIN32 src/app/main_win32.cpp ${ORVENNA_RESOURCES})
target_link_options(orvenna PRIVATE -municode)
target_link_libraries(orvenna PRIVATE orvenna_core)

# The download for Windows users: a zip of one folder with the program, the README and
# the licences (`cpack -G ZIP` in the build folder; scripts/build-windows.sh makes it).
install(TARGETS orvenna RUNTIME DESTINATION .)
install(FILES README.md DESTINATION .)
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
# The licences of what is linked into the program, in licenses/<Debian source package>.txt:
# each picture library's copyright file from the prefix (share/licenses/<package>/copyright)
# or else from an installed Debian package built from the same source; the compiler's
# runtime, the MinGW-w64 libraries and zlib from their own packages. The build tools
# themselves (binutils, g++) put nothing into the program.
execute_process(COMMAND dpkg-query -W -f=\${source:Package}\t\${Package}\n
  OUTPUT_VARIABLE installed ERROR_QUIET)
string(REGEX MATCHALL "[^\n]+" installed "${installed}")
string(REGEX MATCHALL "[^\n]+" linked "${ORVENNA_WINDOWS_DEPS_VERSIONS}")
set(missing "")
foreach(line ${linked})
  string(REGEX REPLACE " .*" "" package "${line}")
  if(package MATCHES "^(binutils|g\\+\\+)-")
    continue()
  endif()
  set(licence ${ORVENNA_WINDOWS_DEPS}/share/licenses/${package}/copyright)
  if(NOT EXISTS ${licence})
    set(licence /usr/share/doc/${package}/copyright)
  endif()
  if(NOT EXISTS ${licence})
    foreach(entry ${installed})
      if(entry MATCHES "^${package}\t(.+)$" AND EXISTS /usr/share/doc/${CMAKE_MATCH_1}/copyright)
        set(licence /usr/share/doc/${CMAKE_MATCH_1}/copyright)
        break()
      endif()
    endforeach()
  endif()
  if(EXISTS ${licence})
    install(FILES ${licence} DESTINATION licenses RENAME ${package}.txt)
  else()
    list(APPEND missing ${package})
  endif()
endforeach()
if(missing)
  message(WARNING "No licence found for ${missing}: the zip for Windows users lacks it")
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME orvenna)
set(CPACK_PACKAGE_VENDOR Orvenna)
set(CPACK_PACKAGE_FILE_NAME "orvenna-${PROJECT_VERSION}-windows")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

include(CTest)
if(BUILD_TESTING AND ORVENNA_WINE)
  add_subdirectory(tests/windows)
elseif(BUILD_TESTING)
  message(WARNING "Wine is not installed: the Windows program is built, its tests are not")
endif()
