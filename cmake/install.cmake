# Where `cmake --install` and the Debian package put the programs and their data. The
# installed programs find their data relative to their own folder, so a tree unpacked under
# any prefix works and nothing of the build tree is needed at run time.
include(GNUInstallDirs)

set(KALMERO_APP_ID "pl.kalmero.Kalmero" CACHE STRING "Desktop and AppStream identifier")
# KALMERO_MAINTAINER and KALMERO_HOMEPAGE.
include(${PROJECT_SOURCE_DIR}/data/debian/station.cmake)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/data/debian/station.cmake ${PROJECT_SOURCE_DIR}/data/debian/changelog)

# One version everywhere: the changelog's top entry is the project's version, and its date
# is the AppStream release's date.
file(STRINGS ${PROJECT_SOURCE_DIR}/data/debian/changelog changelog_lines)
list(GET changelog_lines 0 changelog_top)
if(NOT changelog_top MATCHES "^kalmero \\(@PROJECT_VERSION@\\) ")
  message(FATAL_ERROR "data/debian/changelog: the top entry must be for (@PROJECT_VERSION@), "
                      "the version in CMakeLists.txt; older entries carry their own numbers")
endif()
set(KALMERO_RELEASE_DATE "")
foreach(line IN LISTS changelog_lines)
  if(line MATCHES "^ -- .*  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(FIND months ${CMAKE_MATCH_2} month)
    math(EXPR month "${month} + 1")
    if(month LESS 10)
      set(month 0${month})
    endif()
    set(KALMERO_RELEASE_DATE ${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1})
    break()
  endif()
endforeach()
if(NOT KALMERO_RELEASE_DATE)
  message(FATAL_ERROR "data/debian/changelog: no date line ( -- NAME  DAY, DD Mon YYYY ...)")
endif()

set(kalmero_data_dir ${CMAKE_INSTALL_DATADIR}/kalmero)
set(kalmero_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/kalmero)
set(kalmero_generated ${PROJECT_BINARY_DIR}/install)

if(TARGET kalmero_platform)
  file(RELATIVE_PATH data_from_program ${CMAKE_INSTALL_FULL_BINDIR}
       ${CMAKE_INSTALL_FULL_DATADIR}/kalmero)
  target_compile_definitions(kalmero_platform
                             PRIVATE KALMERO_DATA_FROM_PROGRAM="${data_from_program}/")
endif()

if(TARGET kalmero_batch)
  file(RELATIVE_PATH modules_from_program ${CMAKE_INSTALL_FULL_BINDIR}
       ${CMAKE_INSTALL_FULL_LIBDIR}/kalmero)
  target_compile_definitions(kalmero_batch
                             PRIVATE KALMERO_MODULES_FROM_PROGRAM="${modules_from_program}/")
endif()
# The night's program lives apart from the others: its own way to the data and modules.
if(TARGET kalmero_nightly)
  set(nightly_dir ${CMAKE_INSTALL_FULL_LIBEXECDIR}/kalmero)
  file(RELATIVE_PATH data_from_nightly ${nightly_dir} ${CMAKE_INSTALL_FULL_DATADIR}/kalmero)
  file(RELATIVE_PATH modules_from_nightly ${nightly_dir} ${CMAKE_INSTALL_FULL_LIBDIR}/kalmero)
  target_compile_definitions(kalmero_nightly PRIVATE
    KALMERO_NIGHTLY_DATA_FROM_PROGRAM="${data_from_nightly}/"
    KALMERO_NIGHTLY_MODULES_FROM_PROGRAM="${modules_from_nightly}/"
    KALMERO_NIGHTLY_CONF="${CMAKE_INSTALL_FULL_SYSCONFDIR}/kalmero/nightly.conf")
endif()
if(TARGET kalmero_picture_module)
  install(TARGETS kalmero_picture_module LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/kalmero)
endif()

foreach(program kalmero kalmero-batch)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/data/matryca.dat.default DESTINATION ${kalmero_data_dir}
        RENAME matryca.dat)

# The window's place in the desktop's menu and software centre.
if(TARGET kalmero)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${KALMERO_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${PROJECT_SOURCE_DIR}/data/${KALMERO_APP_ID}.metainfo.xml.in
                 ${kalmero_generated}/${KALMERO_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${kalmero_generated}/${KALMERO_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/kalmero.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

  find_program(RSVG_CONVERT rsvg-convert)
  if(RSVG_CONVERT)
    set(icons)
    foreach(size 16 22 24 32 48 64 128 256)
      set(png ${kalmero_generated}/icons/${size}/kalmero.png)
      add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${kalmero_generated}/icons/${size}
        COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                ${PROJECT_SOURCE_DIR}/data/icons/kalmero.svg
        DEPENDS ${PROJECT_SOURCE_DIR}/data/icons/kalmero.svg VERBATIM)
      list(APPEND icons ${png})
      install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_target(kalmero_icons ALL DEPENDS ${icons})
  else()
    message(STATUS "rsvg-convert not found: only the scalable icon is installed")
  endif()
endif()

# Manual pages from their scdoc sources, gzipped as Debian keeps them.
find_program(SCDOC scdoc)
if(SCDOC)
  set(pages)
  # PAGE.SECTION:PROGRAM, the page installed with the program it tells of.
  foreach(entry kalmero.1:kalmero kalmero-batch.1:kalmero-batch kalmero-nightly.8:kalmero-nightly)
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 page)
    list(GET entry 1 program)
    string(REGEX REPLACE "^.*\\." "" section ${page})
    if(TARGET ${program})
      set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.scd)
      set(gz ${kalmero_generated}/man/${page}.gz)
      add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${kalmero_generated}/man
        COMMAND sh -c "\"$0\" < \"$1\" | gzip -9n > \"$2\"" ${SCDOC} ${source} ${gz}
        DEPENDS ${source} VERBATIM)
      list(APPEND pages ${gz})
      install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
    endif()
  endforeach()
  add_custom_target(kalmero_man ALL DEPENDS ${pages})
else()
  message(STATUS "scdoc not found: the manual pages are not built")
endif()

# The night's compile: a timer and a service, installed but left for the operator to enable.
if(TARGET kalmero-nightly)
  # /etc for the system's own prefix, as the GNU rules have it; <prefix>/etc otherwise.
  set(kalmero_conf_dir ${CMAKE_INSTALL_FULL_SYSCONFDIR}/kalmero)
  set(KALMERO_NIGHTLY_CONF ${kalmero_conf_dir}/nightly.conf)
  set(KALMERO_NIGHTLY_PROGRAM ${CMAKE_INSTALL_FULL_LIBEXECDIR}/kalmero/kalmero-nightly)
  # The system's prefix takes systemd's own folder; any other keeps the units under itself.
  set(systemd_unit_dir ${CMAKE_INSTALL_LIBDIR}/systemd/system)
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    find_package(PkgConfig QUIET)
    if(PkgConfig_FOUND)
      pkg_get_variable(systemd_unit_dir systemd systemdsystemunitdir)
    endif()
    if(NOT systemd_unit_dir)
      set(systemd_unit_dir /lib/systemd/system)
    endif()
  endif()
  set(KALMERO_SYSTEMD_UNIT_DIR ${systemd_unit_dir} CACHE PATH "Where systemd units are installed")

  # One channel's units, and a template for each further one: kalmero-nightly@NAME runs
  # the night of <conf dir>/NAME.conf with its own cache folder.
  foreach(unit kalmero-nightly kalmero-nightly@)
    if(unit STREQUAL "kalmero-nightly")
      set(KALMERO_NIGHTLY_WHICH "")
      set(KALMERO_NIGHTLY_SETTINGS ${KALMERO_NIGHTLY_CONF})
      set(KALMERO_NIGHTLY_ARGS "")
      set(KALMERO_NIGHTLY_CACHE_NAME kalmero)
    else()
      set(KALMERO_NIGHTLY_WHICH " (%i)")
      set(KALMERO_NIGHTLY_SETTINGS ${kalmero_conf_dir}/NAME.conf)
      set(KALMERO_NIGHTLY_ARGS " --settings ${kalmero_conf_dir}/%i.conf")
      set(KALMERO_NIGHTLY_CACHE_NAME kalmero/%i)
    endif()
    set(KALMERO_NIGHTLY_CACHE /var/cache/${KALMERO_NIGHTLY_CACHE_NAME})
    configure_file(${PROJECT_SOURCE_DIR}/data/nightly/kalmero-nightly.service.in
                   ${kalmero_generated}/${unit}.service @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/data/nightly/kalmero-nightly.timer.in
                   ${kalmero_generated}/${unit}.timer @ONLY)
    install(FILES ${kalmero_generated}/${unit}.service ${kalmero_generated}/${unit}.timer
            DESTINATION ${KALMERO_SYSTEMD_UNIT_DIR})
  endforeach()
  install(TARGETS kalmero-nightly RUNTIME DESTINATION ${CMAKE_INSTALL_FULL_LIBEXECDIR}/kalmero)
  install(FILES ${PROJECT_SOURCE_DIR}/data/nightly/nightly.conf DESTINATION ${kalmero_conf_dir})
endif()

# What Debian asks of every package's documentation folder.
configure_file(${PROJECT_SOURCE_DIR}/data/debian/copyright ${kalmero_generated}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/debian/changelog ${kalmero_generated}/changelog @ONLY)
add_custom_command(OUTPUT ${kalmero_generated}/changelog.gz
  COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${kalmero_generated}/changelog
          ${kalmero_generated}/changelog.gz
  DEPENDS ${kalmero_generated}/changelog VERBATIM)
add_custom_target(kalmero_changelog ALL DEPENDS ${kalmero_generated}/changelog.gz)
install(FILES ${kalmero_generated}/copyright ${kalmero_generated}/changelog.gz
        DESTINATION ${kalmero_doc_dir})
