# The Debian package: cpack -G DEB in a build configured for /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME grantwell)
set(CPACK_PACKAGE_VENDOR Ambrel)
set(CPACK_PACKAGE_CONTACT "Ambrel <support@ambrel.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "see, understand and repair the permissions of a file or folder")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Grantwell reads the owner, group and mode, the access control list, the\n\
extended attributes, the immutable flags and the volume state of one file or\n\
folder, and says in plain words what you can do with it. From the same\n\
window you flip single permission bits, lock or unlock the item, change its\n\
owner, and reset it to plain defaults, in place or on a copy. Changes that\n\
need administrator rights go through polkit and Grantwell's own helper.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the binaries don't tell dpkg-shlibdeps: the prompt, the MIME
# database, the icons and the Qt platform plugins.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "pkexec, polkitd, shared-mime-info, adwaita-icon-theme | hicolor-icon-theme, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-nautilus")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://ambrel.example.com/grantwell/")
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_SOURCE_DIR}/dist)
include(CPack)
