# The windows' English: resources/translations/ZmPing2_en.ts (Turkish sources, English
# translations) built with Qt's lrelease into translations/ZmPing2_en.qm beside the program, and
# installed under <prefix>/share/ZmPing2/translations/, where the program finds it.
# scripts/translate brings the .ts up to date with the sources (Qt's lupdate).
find_program(ZM_LRELEASE NAMES lrelease lrelease-qt6 HINTS /usr/lib/qt6/bin REQUIRED)
find_program(ZM_LUPDATE NAMES lupdate lupdate-qt6 HINTS /usr/lib/qt6/bin)

set(ZM_LANGUAGES en)
set(_qms)
foreach(_lang IN LISTS ZM_LANGUAGES)
  set(_ts ${PROJECT_SOURCE_DIR}/resources/translations/ZmPing2_${_lang}.ts)
  set(_qm ${PROJECT_BINARY_DIR}/bin/translations/ZmPing2_${_lang}.qm)
  add_custom_command(OUTPUT ${_qm}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/bin/translations
                     COMMAND ${ZM_LRELEASE} -silent ${_ts} -qm ${_qm}
                     DEPENDS ${_ts} VERBATIM)
  list(APPEND _qms ${_qm})
endforeach()
add_custom_target(zm_translations ALL DEPENDS ${_qms})
add_dependencies(ZmPing2 zm_translations)
install(FILES ${_qms} DESTINATION ${CMAKE_INSTALL_DATADIR}/ZmPing2/translations)
