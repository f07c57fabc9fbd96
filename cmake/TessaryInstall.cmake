# Installation and the Debian package.
#
# Under the prefix: the programs in bin/, the TWAIN source manager in
# lib/tessary and the shipped modules in lib/tessary/modules (the programs
# find both relative to their own folder: see kInstalledModuleFolder in
# src/core/app/program_folder.h), the
# string table and the sample images in share/tessary, and the desktop entry,
# icon and AppStream metadata where desktops look for them.

include(GNUInstallDirs)

# Fixed, not CMAKE_INSTALL_LIBDIR: the programs look for ../lib/tessary/modules.
set(TESSARY_INSTALL_MODULEDIR lib/tessary/modules)
set(TESSARY_APP_ID org.tessary.Tessary)

foreach(program tessary tessary-batch tessary-status)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The TWAIN source manager: where the programs look for it after their own
# folder (<program folder>/../lib/tessary).
if(TARGET tessary_twain_dsm)
  install(TARGETS tessary_twain_dsm LIBRARY DESTINATION lib/tessary)
endif()
# The module host, found the same way.
install(TARGETS tessary-module-host RUNTIME DESTINATION lib/tessary)

if(TARGET tessary_modules)
  get_property(modules TARGET tessary_modules PROPERTY MANUALLY_ADDED_DEPENDENCIES)
  install(TARGETS ${modules} LIBRARY DESTINATION ${TESSARY_INSTALL_MODULEDIR})
endif()

set(desktop ${PROJECT_SOURCE_DIR}/resources/desktop)
install(FILES ${PROJECT_SOURCE_DIR}/resources/strings.tsv
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tessary)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/samples/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tessary/samples
        FILES_MATCHING PATTERN "*.bmp" PATTERN "README.md")
install(FILES ${desktop}/${TESSARY_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop}/${TESSARY_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${desktop}/${TESSARY_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The desktop files are checked with the freedesktop validators when they
# are installed (scripts/install-deps.sh brings them).
if(TESSARY_BUILD_TESTS)
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(APPSTREAMCLI appstreamcli)
  if(DESKTOP_FILE_VALIDATE)
    add_test(NAME desktop_entry_is_valid
             COMMAND ${DESKTOP_FILE_VALIDATE} ${desktop}/${TESSARY_APP_ID}.desktop)
  endif()
  if(APPSTREAMCLI)
    add_test(NAME appstream_metadata_is_valid
             COMMAND ${APPSTREAMCLI} validate --no-net ${desktop}/${TESSARY_APP_ID}.metainfo.xml)
  endif()
endif()

# cpack -G DEB (or the "package" target): a Debian package installing
# under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessary)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tessary")
set(CPACK_PACKAGE_CONTACT "Tessary developers <dev@tessary.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Raster image editor")
set(CPACK_PACKAGE_DESCRIPTION
    "Edits photos and raster images: BMP, PNG, JPEG and TIFF through plug-in\n modules, tonal and colour adjustments, filters, painting tools and\n printing. Includes tessary-batch for scripted edits.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libstdc++6, libgcc-s1, libqt6core6, libqt6gui6, libqt6widgets6, libqt6printsupport6, libqt6network6, qt6-qpa-plugins, libpng16-16, libjpeg62-turbo, libtiff6, zlib1g")
# libsane1 lets the TWAIN source manager load; without it scanning is off.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, hicolor-icon-theme, libsane1")
include(CPack)
