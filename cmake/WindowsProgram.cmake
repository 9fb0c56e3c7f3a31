# The 32-bit Windows program: the same handlers over the Win32 backend, and its tests
# run under Wine. Included by the top-level CMakeLists.txt for a Windows target.
set(CMAKE_AUTOMOC OFF)  # no Qt here
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")  # the resource script is UTF-8

# Handlers: every source of the program's own folders, as on Linux.
file(GLOB ORVENNA_HANDLER_SOURCES CONFIGURE_DEPENDS
     src/app/*.cpp src/intake/*.cpp src/filecmd/*.cpp src/tray/*.cpp src/edit/*.cpp src/about/*.cpp)
list(FILTER ORVENNA_HANDLER_SOURCES EXCLUDE REGEX "src/app/main\\.cpp$")
# The runtime's toolkit-free parts, and the Win32 backend.
set(ORVENNA_SHARED_RUNTIME_SOURCES src/runtime/errors.cpp src/runtime/drop_data.cpp)
file(GLOB ORVENNA_WIN32_SOURCES CONFIGURE_DEPENDS src/runtime/win32/*.cpp src/runtime/win32/*.h)
list(FILTER ORVENNA_WIN32_SOURCES EXCLUDE REGEX "src/runtime/win32/main\\.cpp$")

add_library(orvenna_core STATIC ${ORVENNA_HANDLER_SOURCES} ${ORVENNA_SHARED_RUNTIME_SOURCES}
            ${ORVENNA_WIN32_SOURCES})
target_include_directories(orvenna_core PUBLIC src)
# Wide-character Windows calls for everything shown; Windows 7 and later.
target_compile_definitions(orvenna_core PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                           _WIN32_WINNT=0x0601 ORVENNA_WEB_ADDRESS="${ORVENNA_WEB_ADDRESS}")
target_compile_options(orvenna_core PRIVATE -Wall -Wextra)
target_link_libraries(orvenna_core PUBLIC comctl32 comdlg32 shell32 ole32 oleaut32 uuid gdi32 user32 kernel32)

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
add_executable(orvenna WIN32 src/runtime/win32/main.cpp ${ORVENNA_RESOURCES})
target_link_options(orvenna PRIVATE -municode)
target_link_libraries(orvenna PRIVATE orvenna_core)

include(CTest)
if(BUILD_TESTING)
  add_subdirectory(tests/windows)
endif()
