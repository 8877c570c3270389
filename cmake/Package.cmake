# The Debian package (scripts/package runs cpack in a build folder of its own).
set(JW_MAINTAINER "Velmora <${JETWARDEN_CONTACT_MAIL}>" CACHE STRING "The package's Maintainer field")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME jetwarden)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${JW_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "administration tool for Access-style databases and workgroup files")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Jetwarden opens Access-style databases and their workgroup (account) files.\n"
    "It browses tables, saved queries, relations and containers, runs SQL scripts\n"
    "with execution and fetch times, administers users, groups, passwords and\n"
    "permissions, times saved queries, and compacts, repairs, encrypts and\n"
    "decrypts database files. Any SQLite 3 file is a database. Access files\n"
    "open read-only and convert into databases it can change.\n"
    "\n"
    "Besides the desktop program, jetwarden-sql, jetwarden-accounts and\n"
    "jetwarden-admin do the same work from scripts.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${JW_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${JETWARDEN_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
