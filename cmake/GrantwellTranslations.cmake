# The translation template: every text the programs show a person, as
# lupdate finds them in QCoreApplication::translate() and tr() calls.
# English is the only language shipped; a translator starts from
# build/translations/grantwell.ts (Qt Linguist opens it).
find_program(GRANTWELL_LUPDATE NAMES lupdate lupdate-qt6 PATHS /usr/lib/qt6/bin NO_DEFAULT_PATH)
if(NOT GRANTWELL_LUPDATE)
  find_program(GRANTWELL_LUPDATE NAMES lupdate lupdate-qt6)
endif()
if(GRANTWELL_LUPDATE)
  file(GLOB_RECURSE GRANTWELL_TRANSLATED_SOURCES CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/app/*.cpp ${PROJECT_SOURCE_DIR}/app/*.h
    ${PROJECT_SOURCE_DIR}/basalt/*.cpp ${PROJECT_SOURCE_DIR}/basalt/*.h)
  set(GRANTWELL_TS ${PROJECT_BINARY_DIR}/translations/grantwell.ts)
  add_custom_command(OUTPUT ${GRANTWELL_TS}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/translations
    COMMAND ${GRANTWELL_LUPDATE} -silent -no-obsolete -locations relative
            -extensions cpp,h ${PROJECT_SOURCE_DIR}/app ${PROJECT_SOURCE_DIR}/basalt
            -ts ${GRANTWELL_TS}
    DEPENDS ${GRANTWELL_TRANSLATED_SOURCES}
    COMMENT "Collecting the texts to translate" VERBATIM)
  add_custom_target(translation_template ALL DEPENDS ${GRANTWELL_TS})
else()
  message(WARNING "lupdate (qt6-l10n-tools) not found: no translation template is made")
endif()
