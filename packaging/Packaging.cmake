# Installation beside the program (the tools, an icon, the desktop and autostart entries, the
# systemd user unit) and the Debian package built from it with `cpack -G DEB`.

# The tools under names of their own, so they stand beside other programs in bin.
foreach(tool receiver-sim simulate-week make-demo station-io-sim)
  install(PROGRAMS $<TARGET_FILE:${tool}> DESTINATION bin RENAME quillorn-${tool})
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/quillorncontrol.svg DESTINATION share/icons/hicolor/scalable/apps)

# The entries name the program by its installed path, known only when installing (--prefix, the
# package's /usr).
install(CODE "
  set(QC_BIN \"\${CMAKE_INSTALL_PREFIX}/bin\")
  foreach(entry quillorncontrol.desktop quillorncontrol-autostart.desktop quillorncontrol.service)
    configure_file(\"${CMAKE_CURRENT_LIST_DIR}/\${entry}.in\" \"${CMAKE_BINARY_DIR}/packaging/\${entry}\" @ONLY)
  endforeach()
")
install(FILES ${CMAKE_BINARY_DIR}/packaging/quillorncontrol.desktop DESTINATION share/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/quillorncontrol-autostart.desktop
        DESTINATION share/quillorncontrol/autostart RENAME quillorncontrol.desktop)
install(FILES ${CMAKE_BINARY_DIR}/packaging/quillorncontrol.service DESTINATION lib/systemd/user)

set(CPACK_PACKAGE_NAME quillorncontrol)
set(CPACK_PACKAGE_VENDOR QuillornControl)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "switches a radio station's satellite receivers by a weekly schedule")
set(CPACK_PACKAGE_DESCRIPTION "QuillornControl switches one or two satellite receivers (RS-232) at the
right second of the week, pulses the station automation's remote-start lines (parallel port),
resets the clock from the automation's pulse and keeps daily logs of what it did.")
set(CPACK_PACKAGE_CONTACT "QuillornControl <quillorncontrol@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The libraries (Qt, libsystemd) from dpkg-shlibdeps; the Qt platform plugins and the zone data are
# loaded at run time, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, tzdata")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libcap2-bin, qt6-wayland")
include(CPack)
