# What `cmake --install` puts under the prefix: the program and its alarm sound, the desktop
# entry, the application icon in the hicolor theme, the AppStream metadata and the man page.
include(GNUInstallDirs)

# The reverse-DNS name the desktop knows the program by (desktop entry, icon, metadata, and the
# window's application id on Wayland).
set(ZM_APP_ID "net.zembra.ZmPing2" CACHE STRING "Application id for the desktop entry and metadata")
# Where the metadata's screenshots are published: docs/screens/ of the published repository.
set(ZM_SCREENSHOT_URL "https://zmping2.invalid/docs/screens" CACHE STRING
    "Web folder holding docs/screens for the AppStream metadata")

target_compile_definitions(zm_app PUBLIC ZM_APP_ID="${ZM_APP_ID}")

set(_gen ${PROJECT_BINARY_DIR}/install)
configure_file(resources/ZmPing2.desktop.in ${_gen}/${ZM_APP_ID}.desktop @ONLY)
configure_file(resources/ZmPing2.metainfo.xml.in ${_gen}/${ZM_APP_ID}.metainfo.xml @ONLY)

# The icon: the lime status disc drawn by the code that draws the status icons.
add_executable(zm_make_app_icons shell/tools/make_app_icons.cpp)
target_link_libraries(zm_make_app_icons PRIVATE zm_shell)
set(_icon_sizes 16 22 24 32 48 64 128 256)
set(_icons)
foreach(_s IN LISTS _icon_sizes)
  list(APPEND _icons ${_gen}/icons/${_s}x${_s}/${ZM_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${_icons}
                   COMMAND zm_make_app_icons ${_gen}/icons ${ZM_APP_ID}
                   DEPENDS zm_make_app_icons VERBATIM)
add_custom_command(OUTPUT ${_gen}/ZmPing2.1.gz
                   COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/ZmPing2.1 > ${_gen}/ZmPing2.1.gz
                   DEPENDS ${PROJECT_SOURCE_DIR}/resources/ZmPing2.1)
add_custom_target(zm_install_files ALL DEPENDS ${_icons} ${_gen}/ZmPing2.1.gz)

install(TARGETS ZmPing2 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Found there by the program (see FindDataFile): <prefix>/share/ZmPing2/alarm.wav.
install(FILES ${PROJECT_BINARY_DIR}/bin/alarm.wav DESTINATION ${CMAKE_INSTALL_DATADIR}/ZmPing2)
install(FILES ${_gen}/${ZM_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_gen}/${ZM_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(_s IN LISTS _icon_sizes)
  install(FILES ${_gen}/icons/${_s}x${_s}/${ZM_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_s}x${_s}/apps)
endforeach()
install(FILES ${_gen}/ZmPing2.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Prometheus alerting and recording rules for the metrics file, with the package's documents.
install(FILES ${PROJECT_SOURCE_DIR}/docs/prometheus/zmping2.rules.yml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zmping2/prometheus)
