# What `cmake --install` puts in place: the program and its picture modules, its desktop
# entry, icons in the hicolor theme, the AppStream metainfo for software centres, the
# manual page and the documents.
include(GNUInstallDirs)
set(ORVENNA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/orvenna)
set(ORVENNA_GENERATED ${CMAKE_BINARY_DIR}/install-data)
# Who answers for the program: the changelog entries and the package name them.
set(ORVENNA_MAINTAINER "The Orvenna developers <dev@orvenna.invalid>")
# Folders made by the install are world-readable, whatever the umask of whoever runs it.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS orvenna RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The format families the program loads when a picture needs them, where it looks for them.
install(TARGETS ${ORVENNA_PICTURE_MODULES} LIBRARY DESTINATION ${ORVENNA_MODULE_INSTALL_DIR})
install(FILES data/orvenna.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

set(ORVENNA_ICON_SIZES 16 22 24 32 48 64 128 256)
foreach(size ${ORVENNA_ICON_SIZES})
  install(FILES data/icons/${size}x${size}/orvenna.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES data/orvenna.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# One release element for each heading of the changelog (read in Version.cmake).
set(ORVENNA_METAINFO_RELEASES "")
foreach(heading ${ORVENNA_RELEASE_HEADINGS})
  if(heading MATCHES "^## ([0-9.]+) \\(([0-9-]+)\\)$")
    string(APPEND ORVENNA_METAINFO_RELEASES
           "    <release version=\"${CMAKE_MATCH_1}\" date=\"${CMAKE_MATCH_2}\"/>\n")
  endif()
endforeach()
configure_file(data/orvenna.metainfo.xml.in ${ORVENNA_GENERATED}/org.example.orvenna.metainfo.xml @ONLY)
install(FILES ${ORVENNA_GENERATED}/org.example.orvenna.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The changelog in the form Debian tools read (dpkg-parsechangelog, lintian): each release
# heading becomes an entry, each "- " item a "  * " line.
set(changelog "")
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md lines ENCODING UTF-8)
set(release "")
foreach(line IN LISTS lines)
  if(line MATCHES "^## ([0-9.]+) \\(([0-9-]+)\\)$")
    if(release)
      string(APPEND changelog "\n -- ${ORVENNA_MAINTAINER}  ${stamp}\n\n")
    endif()
    set(release ${CMAKE_MATCH_1})
    execute_process(COMMAND date -R -u -d "${CMAKE_MATCH_2} 12:00 UTC" OUTPUT_VARIABLE stamp
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    string(APPEND changelog "orvenna (${release}) unstable; urgency=medium\n\n")
  elseif(release AND line MATCHES "^- (.*)")
    string(APPEND changelog "  * ${CMAKE_MATCH_1}\n")
  elseif(release AND line MATCHES "^  +(.*)")
    string(APPEND changelog "    ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
string(APPEND changelog "\n -- ${ORVENNA_MAINTAINER}  ${stamp}\n")
file(WRITE ${ORVENNA_GENERATED}/changelog "${changelog}")

# The manual page and the changelog are installed compressed, as man and Debian expect;
# -n keeps the compressed bytes the same from build to build.
configure_file(data/orvenna.1.in ${ORVENNA_GENERATED}/orvenna.1 @ONLY)
configure_file(data/copyright ${ORVENNA_GENERATED}/copyright @ONLY)
add_custom_command(OUTPUT ${ORVENNA_GENERATED}/orvenna.1.gz ${ORVENNA_GENERATED}/changelog.gz
  COMMAND gzip -9nc ${ORVENNA_GENERATED}/orvenna.1 > ${ORVENNA_GENERATED}/orvenna.1.gz
  COMMAND gzip -9nc ${ORVENNA_GENERATED}/changelog > ${ORVENNA_GENERATED}/changelog.gz
  DEPENDS ${ORVENNA_GENERATED}/orvenna.1 ${ORVENNA_GENERATED}/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(orvenna_install_data ALL DEPENDS ${ORVENNA_GENERATED}/orvenna.1.gz ${ORVENNA_GENERATED}/changelog.gz)
install(FILES ${ORVENNA_GENERATED}/orvenna.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ORVENNA_GENERATED}/changelog.gz ${ORVENNA_GENERATED}/copyright README.md LICENSE
        DESTINATION ${ORVENNA_DOC_DIR})
