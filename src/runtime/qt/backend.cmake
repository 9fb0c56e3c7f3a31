# The Qt 6 backend: Qt Widgets, the program's icon and About picture as Qt resources,
# and the picture libraries its GIF writer uses.
set(CMAKE_AUTOMOC ON)
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets Test)
set_target_properties(orvenna_core PROPERTIES AUTOMOC ON)
target_link_libraries(orvenna_core PUBLIC Qt6::Widgets)
qt_add_resources(orvenna_core orvenna_icons PREFIX /orvenna BASE data FILES data/about.gif)
# The program's icon as a table of pixels, made from its PNG by a tool built here.
find_package(PNG REQUIRED)
add_executable(icon_pixels src/runtime/qt/tools/icon_pixels.cpp)
target_link_libraries(icon_pixels PRIVATE PNG::PNG)
set_target_properties(icon_pixels PROPERTIES AUTOMOC OFF)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/program_icon.cpp
  COMMAND icon_pixels ${PROJECT_SOURCE_DIR}/data/orvenna.png ${CMAKE_CURRENT_BINARY_DIR}/program_icon.cpp
  DEPENDS icon_pixels data/orvenna.png VERBATIM)
target_sources(orvenna_core PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/program_icon.cpp)
include(cmake/ImageLibraries.cmake)
# X11 window properties that Qt has no API for (a window kept off the taskbar).
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)
  target_link_libraries(orvenna_core PUBLIC PkgConfig::XCB)
  target_compile_definitions(orvenna_core PRIVATE ORVENNA_X11)
endif()
