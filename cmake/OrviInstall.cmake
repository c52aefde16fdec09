# Installation of both programs with their desktop integration, manual pages and licence
# files, and the Debian package made from it ("cpack" in the build folder). The QML
# interface, its icons and the translations are compiled into the programs' resources, so
# an installation needs nothing from the build or source folders.
include(GNUInstallDirs)

# The metadata points software centres to <homepage>/screenshots/main-window.png: publish
# packaging/screenshots there.
set(ORVI_HOMEPAGE_URL "https://orvi.org/motion" CACHE STRING
  "Public address of the project: the package's homepage; the metadata's screenshots live under it")
set(ORVI_PACKAGE_MAINTAINER "ORVI <orvi-motion@orvi.org>" CACHE STRING
  "Maintainer of the Debian package, as \"Name <address>\"")
string(REGEX REPLACE "^.*<(.*)>$" "\\1" ORVI_MAINTAINER_EMAIL "${ORVI_PACKAGE_MAINTAINER}")

set(orvi_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME})
set(orvi_sample_dir ${CMAKE_INSTALL_DATADIR}/${PROJECT_NAME}/samples)
set(orvi_packaging_out ${PROJECT_BINARY_DIR}/packaging)

install(TARGETS orvi-motion orvi-motion-mcp orvi-motion-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Desktop entry, metadata and icons: the application menu, "Open with" in file managers and
# software centres find the program through them.
configure_file(${PROJECT_SOURCE_DIR}/packaging/orvi-motion.desktop.in
  ${orvi_packaging_out}/${ORVI_DESKTOP_ID}.desktop @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/orvi-motion.metainfo.xml.in
  ${orvi_packaging_out}/${ORVI_DESKTOP_ID}.metainfo.xml @ONLY)
install(FILES ${orvi_packaging_out}/${ORVI_DESKTOP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${orvi_packaging_out}/${ORVI_DESKTOP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/ui/icons/hicolor
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# Manual pages and the changelog, compressed as the system keeps them (no name or time
# stamp in the gzip header, so that two builds give the same files).
execute_process(COMMAND date -u -R -d "${ORVI_RELEASE_DATE} 12:00"
  OUTPUT_VARIABLE ORVI_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE)
set(orvi_compressed)
foreach(page orvi-motion.1 orvi-motion-mcp.1 orvi-motion-batch.1 changelog)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${page}.in ${orvi_packaging_out}/${page} @ONLY)
  add_custom_command(OUTPUT ${orvi_packaging_out}/${page}.gz
    COMMAND gzip -9 -n -k -f ${orvi_packaging_out}/${page}
    DEPENDS ${orvi_packaging_out}/${page}
    VERBATIM)
  list(APPEND orvi_compressed ${orvi_packaging_out}/${page}.gz)
endforeach()
add_custom_target(orvi-compressed-docs ALL DEPENDS ${orvi_compressed})
install(FILES ${orvi_packaging_out}/orvi-motion.1.gz ${orvi_packaging_out}/orvi-motion-mcp.1.gz
  ${orvi_packaging_out}/orvi-motion-batch.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${orvi_packaging_out}/copyright @ONLY)
install(FILES ${orvi_packaging_out}/copyright ${orvi_packaging_out}/changelog.gz
  DESTINATION ${orvi_doc_dir})

if(TARGET orvi-sample-clip)
  install(FILES ${ORVI_SAMPLE_CLIP} DESTINATION ${orvi_sample_dir})
endif()

# The Debian package. Library dependencies come from dpkg-shlibdeps on the installed
# programs; the QML modules that the interface loads at run time are named by
# OrviPackageDepends.cmake when cpack runs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR ORVI)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "make small mechanical vibrations visible and measurable in video")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ORVI_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORVI_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Russian texts (standard buttons and dialogs), the desktop's native file dialogs,
# and the file browser that shows the folder of an exported video.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-gtk-platformtheme, xdg-utils")
# Lines and empty lines between paragraphs; CPack indents them as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Reliability and maintenance engineers open a local video of running
equipment, often from a high-speed camera, state the camera's capture
frame rate, choose a fragment and a region of interest, and then amplify
the motion in a frequency band with phase-based magnification (watched
beside the source and saved as an H.264 MP4 with its parameters), or
analyse the vibration spectrum over a grid of points: frequency
candidates, band power and relative phase maps, exported as PDF or DOCX
reports, CSV, JSON or PNG.

The package also holds orvi-motion-mcp, a Model Context Protocol server
that lets an AI agent inspect a running instance, and drive it when the
user allows, and orvi-motion-batch, which analyses or amplifies many
recordings without the window.]=])
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake CONTENT "\
set(ORVI_QML_SCANNER \"$<TARGET_FILE:Qt6::qmlimportscanner>\")
set(ORVI_QML_SOURCE_DIR \"${PROJECT_SOURCE_DIR}/ui/qml\")
set(ORVI_QT_QML_DIR \"${QT6_INSTALL_PREFIX}/${QT6_INSTALL_QML}\")
include(\"${PROJECT_SOURCE_DIR}/cmake/OrviPackageDepends.cmake\")
")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake)
include(CPack)
