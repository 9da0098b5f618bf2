# The Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME orvik)
set(CPACK_PACKAGE_VENDOR "Orvik developers")
set(CPACK_PACKAGE_CONTACT "Orvik developers <orvik@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "emulator of the PMD 85 computers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# No Homepage field: the program has no web site; its README is installed in
# share/doc/orvik/ and the Help menu opens it.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The summary becomes the first line of the package's description, this text the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Orvik emulates the PMD 85 family of Czechoslovak 8-bit computers (PMD 85-1,
PMD 85-2, PMD 85-2A, PMD 85-3, Mato, Didaktik Alfa, Alfa 2 and Consul 2717)
with their tape recorder, ROM modules, disk unit, printer and sound
interfaces. The monitor ROMs of the machines are not included.")
set(CPACK_GENERATOR DEB)
include(CPack)
