# The Win32 backend: the Windows API itself, wide-character calls, Windows 7 and later.
set(CMAKE_AUTOMOC OFF)
target_compile_definitions(orvenna_core PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_link_libraries(orvenna_core PUBLIC comctl32 comdlg32 shell32 ole32 oleaut32 uuid msimg32 gdi32 user32 advapi32 kernel32)
