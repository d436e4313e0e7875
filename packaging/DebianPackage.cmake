# The Debian package: `cpack -G DEB` in the build tree writes orvalen_VERSION_ARCH.deb with
# everything the install rules install. A Debian package never installs under
# /usr/local, so it goes under /usr whatever CMAKE_INSTALL_PREFIX says (which `cmake --install`
# still follows).
set(CPACK_PACKAGE_NAME orvalen)
set(CPACK_PACKAGE_VENDOR Kestrelworks)
set(CPACK_PACKAGE_CONTACT "Kestrelworks <orvalen@kestrelworks.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test and viewing tool for a two-tuner DVB-S/S2 card with a CI slot")
file(READ description CPACK_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg checks the control files' modes; a umask of 002 would otherwise leak into them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

include(CPack)
