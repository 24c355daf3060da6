# Install rules and the Debian package (`make package`). The package is built with
# QV_INSTALLED_LAYOUT=ON, so its programs look in /etc/quorvane and /var/lib/quorvane.
set(QV_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/quorvane)
set(QV_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(QV_GENERATED ${CMAKE_BINARY_DIR}/packaging)

# The board libraries are private: they find each other beside themselves.
set_target_properties(wcsrv wcsrv2 PROPERTIES INSTALL_RPATH "$ORIGIN")
set(QV_PROGRAMS quorvane-board quorvane-config)
if(TARGET quorvane)
    list(PREPEND QV_PROGRAMS quorvane)
endif()
install(TARGETS ${QV_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS wcsrv wcsrv2 LIBRARY DESTINATION ${QV_PRIVATE_LIBDIR} NAMELINK_SKIP)
# The program with windows, which quorvane starts when there is a display.
if(TARGET quorvane-gui)
    install(TARGETS quorvane-gui RUNTIME DESTINATION ${QV_PRIVATE_LIBDIR})
endif()

# Man pages and the changelog are installed compressed, as Debian expects (gzip -n: the same
# bytes on every build).
set(QV_MAN_PAGES quorvane quorvane-board quorvane-config)
set(QV_COMPRESSED)
foreach(page ${QV_MAN_PAGES})
    add_custom_command(OUTPUT ${QV_GENERATED}/${page}.1.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QV_GENERATED}
        COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/docs/man/${page}.1 > ${QV_GENERATED}/${page}.1.gz
        DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/${page}.1 VERBATIM)
    list(APPEND QV_COMPRESSED ${QV_GENERATED}/${page}.1.gz)
    install(FILES ${QV_GENERATED}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_command(OUTPUT ${QV_GENERATED}/changelog.gz
    COMMAND gzip -9nc ${QV_PACKAGING}/changelog > ${QV_GENERATED}/changelog.gz
    DEPENDS ${QV_PACKAGING}/changelog VERBATIM)

# The example configuration: the demo lists, with the HTML pages in /var/www/quorvane.
add_custom_command(OUTPUT ${QV_GENERATED}/Quorvane.cfg ${QV_GENERATED}/Quorvane.json
    COMMAND sed "s|@HTMLDIR@|/var/www/quorvane|" ${CMAKE_SOURCE_DIR}/tools/demo-config.json
            > ${QV_GENERATED}/Quorvane.json
    COMMAND quorvane-config build ${QV_GENERATED}/Quorvane.json ${QV_GENERATED}/Quorvane.cfg
    DEPENDS quorvane-config ${CMAKE_SOURCE_DIR}/tools/demo-config.json VERBATIM)
add_custom_target(qv_install_files ALL DEPENDS ${QV_COMPRESSED} ${QV_GENERATED}/changelog.gz
                                               ${QV_GENERATED}/Quorvane.cfg)

install(FILES ${QV_PACKAGING}/quorvane.service ${QV_PACKAGING}/quorvane.timer
        DESTINATION lib/systemd/system)
install(FILES ${QV_PACKAGING}/quorvane.sysusers DESTINATION lib/sysusers.d
        RENAME quorvane.conf)
install(FILES ${QV_PACKAGING}/quorvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/res/icons/app.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/16x16/apps RENAME quorvane.png)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${QV_PACKAGING}/copyright
              ${QV_GENERATED}/changelog.gz
        DESTINATION ${QV_DOCDIR})
install(FILES ${QV_GENERATED}/Quorvane.cfg ${QV_GENERATED}/Quorvane.json
        DESTINATION ${QV_DOCDIR}/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorvane developers <dev@quorvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "file lists for a bulletin board")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvane reads the file areas of a bulletin board and writes catalogues\n\
of the files on offer: plain-text lists, bulletins, messages and HTML pages\n\
built from templates. It runs unattended from a systemd timer or cron, and\n\
has a Qt dialog for setting up the lists.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${QV_PACKAGING}/postinst ${QV_PACKAGING}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
