# Installation and the Debian package (cpack -G DEB in the build folder).
#
#   /usr/lib/zev32/ZEV 32            the client; its folder is the program folder
#   /usr/bin/zev32                   link to it, the command the menu entry runs
#   /usr/bin/zev-sql, zev-gen, zev-publish-update
#   /usr/share/applications/zev32.desktop, /usr/share/icons/hicolor/scalable/apps/zev32.svg
#   /usr/share/doc/zev32/            README.md, the SQL Server scripts, zev32.ini.example
#
# The workstation's settings go to /etc/zev32/ (ZEV written with zev-sql --write-settings, and
# zev32.ini); the package installs none.

include(GNUInstallDirs)

install(TARGETS zev_app RUNTIME DESTINATION ${CMAKE_INSTALL_LIBDIR}/zev32 COMPONENT client)
install(TARGETS zev-sql zev-gen zev-publish-update RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT client)
# The link is made at install time, under the prefix the installation (or the package) uses.
install(CODE [[
    set(zev_bin "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
    file(MAKE_DIRECTORY "${zev_bin}")
    file(CREATE_LINK "../lib/zev32/ZEV 32" "${zev_bin}/zev32" SYMBOLIC)
    ]] COMPONENT client)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zev32.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT client)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zev32.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT client)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/zev32.ini.example
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zev32 COMPONENT client)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/server/mssql/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zev32/mssql COMPONENT client)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zev32)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ZEV 32 <zev32@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ZEV 32 Регистратор предметов по выбору")
set(CPACK_PACKAGE_DESCRIPTION
    "Desktop client with which university staff record the elective subjects of each student, "
    "on a Microsoft SQL Server database ZEV, with its administrators' SQL shell zev-sql and the "
    "demo data generator zev-gen.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# gzip: a package built in every CI run must be quick to make.
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
# The libraries the programs link come from dpkg-shlibdeps; what they load at run time is named
# here: the X11 platform plugin, the FreeTDS ODBC driver for SQL Server, and
# Qt's Russian translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, tdsodbc, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
include(CPack)
