# What a Debian system expects beside the two programs (manual pages, bash
# completion, the icon in every size, AppStream metadata, the package's
# copyright and changelog), and the .deb made of it all by CPack:
# `./run.sh package`, or `cmake --build build/release --target package`.
#
# The generated files need scdoc, rsvg-convert and dpkg-parsechangelog
# (scripts/install-deps.sh package). Without them the programs still build
# and install, but CPack refuses to make a package that would lack them.
if(WIN32)
  return()
endif()
include(GNUInstallDirs)

set(QUENBY_PACKAGING_SOURCE ${CMAKE_CURRENT_LIST_DIR})
set(QUENBY_PACKAGING_OUTPUT ${CMAKE_BINARY_DIR}/packaging)
find_program(QUENBY_SCDOC scdoc)
find_program(QUENBY_RSVG_CONVERT rsvg-convert)
find_program(QUENBY_DPKG_PARSECHANGELOG dpkg-parsechangelog)
set(QUENBY_PACKAGING_PROBLEMS "")
set(QUENBY_PACKAGING_FILES "")

# The latest changelog entry dates the release: the manual pages' footer and
# the AppStream release carry its date, so a rebuild gives the same files.
set(QUENBY_RELEASE_EPOCH "")
if(QUENBY_DPKG_PARSECHANGELOG)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUENBY_PACKAGING_SOURCE}/changelog)
  foreach(field Version Timestamp)
    execute_process(
      COMMAND ${QUENBY_DPKG_PARSECHANGELOG} -l ${QUENBY_PACKAGING_SOURCE}/changelog -S ${field}
      OUTPUT_VARIABLE QUENBY_CHANGELOG_${field} OUTPUT_STRIP_TRAILING_WHITESPACE
      COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  set(QUENBY_RELEASE_EPOCH ${QUENBY_CHANGELOG_Timestamp})
  if(NOT QUENBY_CHANGELOG_Version STREQUAL PROJECT_VERSION)
    message(WARNING "packaging/changelog's latest entry is for ${QUENBY_CHANGELOG_Version}, "
      "the project is ${PROJECT_VERSION}: add an entry before packaging")
    list(APPEND QUENBY_PACKAGING_PROBLEMS
      "packaging/changelog has no entry for version ${PROJECT_VERSION}")
  endif()
else()
  list(APPEND QUENBY_PACKAGING_PROBLEMS "dpkg-parsechangelog is missing")
endif()

# Manual pages: scdoc source, roff in the build tree (checked by the tests),
# installed compressed as Debian does.
set(QUENBY_MANUAL_PAGES quenby-sort)
if(QUENBY_BUILD_GUI)
  list(APPEND QUENBY_MANUAL_PAGES quenby)
endif()
if(QUENBY_SCDOC AND QUENBY_RELEASE_EPOCH)
  foreach(page IN LISTS QUENBY_MANUAL_PAGES)
    set(roff ${QUENBY_PACKAGING_OUTPUT}/${page}.1)
    add_custom_command(OUTPUT ${roff} ${roff}.gz
      COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${QUENBY_RELEASE_EPOCH}
        sh -c "\"$0\" < \"$1\" > \"$2\"" ${QUENBY_SCDOC} ${QUENBY_PACKAGING_SOURCE}/${page}.1.scd ${roff}
      COMMAND sh -c "gzip -9n -c \"$0\" > \"$0.gz\"" ${roff}
      DEPENDS ${QUENBY_PACKAGING_SOURCE}/${page}.1.scd
      COMMENT "Writing the manual page ${page}(1)"
      VERBATIM)
    list(APPEND QUENBY_PACKAGING_FILES ${roff}.gz)
    install(FILES ${roff}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
elseif(NOT QUENBY_SCDOC)
  list(APPEND QUENBY_PACKAGING_PROBLEMS "scdoc is missing (no manual pages)")
endif()

install(FILES ${QUENBY_PACKAGING_SOURCE}/quenby-sort.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quenby-sort)

if(QUENBY_BUILD_GUI)
  # The scalable icon is installed beside the desktop entry; menus and
  # docks that want pixels get the theme's usual sizes, drawn from it.
  if(QUENBY_RSVG_CONVERT)
    foreach(size 16 22 24 32 48 64 128 256)
      set(png ${QUENBY_PACKAGING_OUTPUT}/icons/${size}x${size}/quenby.png)
      add_custom_command(OUTPUT ${png}
        COMMAND ${QUENBY_RSVG_CONVERT} --width ${size} --height ${size} --output ${png}
          ${PROJECT_SOURCE_DIR}/resources/quenby.svg
        DEPENDS ${PROJECT_SOURCE_DIR}/resources/quenby.svg
        VERBATIM)
      list(APPEND QUENBY_PACKAGING_FILES ${png})
      install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
  else()
    list(APPEND QUENBY_PACKAGING_PROBLEMS "rsvg-convert is missing (no PNG icons)")
  endif()

  if(QUENBY_RELEASE_EPOCH)
    set(QUENBY_RELEASE_VERSION ${QUENBY_CHANGELOG_Version})
    # string(TIMESTAMP) reads the moment from SOURCE_DATE_EPOCH when it is set.
    set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
    set(ENV{SOURCE_DATE_EPOCH} ${QUENBY_RELEASE_EPOCH})
    string(TIMESTAMP QUENBY_RELEASE_DATE "%Y-%m-%d" UTC)
    set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
    set(QUENBY_METAINFO ${QUENBY_PACKAGING_OUTPUT}/io.vexmoor.Quenby.metainfo.xml)
    configure_file(${QUENBY_PACKAGING_SOURCE}/io.vexmoor.Quenby.metainfo.xml.in ${QUENBY_METAINFO} @ONLY)
    install(FILES ${QUENBY_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  endif()
endif()

if(QUENBY_RELEASE_EPOCH)
  set(changelog ${QUENBY_PACKAGING_OUTPUT}/changelog.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${QUENBY_PACKAGING_SOURCE}/changelog ${changelog}
    DEPENDS ${QUENBY_PACKAGING_SOURCE}/changelog
    VERBATIM)
  list(APPEND QUENBY_PACKAGING_FILES ${changelog})
  install(FILES ${changelog} ${QUENBY_PACKAGING_SOURCE}/copyright
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
add_custom_target(quenby_packaging_files ALL DEPENDS ${QUENBY_PACKAGING_FILES})

if(QUENBY_BUILD_TESTS)
  add_test(NAME packaging.manpages
    COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/manpages_test.sh ${QUENBY_PACKAGING_OUTPUT}
      $<TARGET_FILE:quenby-sort> ${QUENBY_MANUAL_PAGES})
  add_test(NAME packaging.completion
    COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/completion_test.sh
      ${QUENBY_PACKAGING_SOURCE}/quenby-sort.bash $<TARGET_FILE:quenby-sort>)
  set_tests_properties(packaging.completion PROPERTIES SKIP_RETURN_CODE 77)
  if(QUENBY_BUILD_GUI)
    # Both checkers print nothing for a file without faults.
    add_test(NAME packaging.desktop_entry
      COMMAND desktop-file-validate ${PROJECT_SOURCE_DIR}/resources/quenby.desktop)
    add_test(NAME packaging.metainfo
      COMMAND appstreamcli validate --no-net --no-color ${QUENBY_PACKAGING_OUTPUT}/io.vexmoor.Quenby.metainfo.xml)
    # --version answers without a display and without opening a window.
    add_test(NAME packaging.quenby_version
      COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
        $<TARGET_FILE:quenby> --version)
    set_tests_properties(packaging.desktop_entry PROPERTIES FAIL_REGULAR_EXPRESSION ".")
    set_tests_properties(packaging.quenby_version PROPERTIES
      PASS_REGULAR_EXPRESSION "^quenby ${PROJECT_VERSION}\n$")
  endif()
endif()

if(NOT QUENBY_BUILD_GUI)
  return()  # the package holds the window program
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quenby)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Vexmoor)
set(CPACK_PACKAGE_CONTACT "${QUENBY_MAIL_NAME} <${QUENBY_MAIL_ADDRESS}>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QUENBY_SITE_URL}quenby.shtml)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[file photos and videos into dated folders
Quenby copies the photos and videos from a camera card, or from any other
folders, into one folder per day named after each file's date, such as
2014-05-03. Copies can be renamed to a prefix, the date and a suffix, and
sources can be deleted once their copies are safely on the disk. A copy never
overwrites an existing file and is never left cut short, and a write-protected
photo is never deleted.
.
The package holds the window program quenby and the command-line program
quenby-sort, which does the same from scripts.]=])
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The linked libraries come from dpkg-shlibdeps; Qt loads the SVG icon engine
# as a plugin at run time, so no linker sees that the window icon needs it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6svg6)

if(QUENBY_PACKAGING_PROBLEMS)
  list(JOIN QUENBY_PACKAGING_PROBLEMS "; " problems)
  message(STATUS "No Debian package from this build: ${problems}")
  file(WRITE ${QUENBY_PACKAGING_OUTPUT}/refuse.cmake
    "message(FATAL_ERROR \"No package: ${problems} (scripts/install-deps.sh package)\")\n")
  set(CPACK_PRE_BUILD_SCRIPTS ${QUENBY_PACKAGING_OUTPUT}/refuse.cmake)
endif()
include(CPack)
