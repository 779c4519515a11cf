# `cpack -G DEB` (make package): one Debian package, kalmero, of everything install.cmake puts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kalmero)
set(CPACK_PACKAGE_VENDOR Kalmero)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "radio playout day builder: playlist, adverts and news breaks merged")
# CPack indents these lines and marks the empty one as Debian wants.
set(CPACK_PACKAGE_DESCRIPTION "Kalmero builds a radio station's daily on-air playlist: it merges the day's
music playlist (MIX file) with the day's advert list (LST file) and the hourly
news breaks of a weekly break matrix, moving every later item by the time
inserted, and writes one MIX playlist for the playout system.

The package holds the Polish-speaking window (kalmero), the batch command
(kalmero-batch) and a systemd timer that compiles the coming day every night
once enabled.")
set(CPACK_PACKAGE_CONTACT "${KALMERO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KALMERO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KALMERO_HOMEPAGE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})

# Libraries from what the programs and the picture module link (dpkg-shlibdeps); by name
# what no link shows: Qt's Polish texts, the window's font (without it labels are cut) and
# the helpers the maintainer scripts call.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-wine, init-system-helpers (>= 1.54~)")
set(CPACK_STRIP_FILES ON)

# Debian's rules for owners and modes, whatever the builder's umask.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The operator's edits of the night's settings survive an upgrade; the maintainer scripts
# keep systemd's links to the night's units in step with the package.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/data/debian/postinst
    ${PROJECT_SOURCE_DIR}/data/debian/prerm ${PROJECT_SOURCE_DIR}/data/debian/postrm)
if(KALMERO_NIGHTLY_CONF)
  file(WRITE ${PROJECT_BINARY_DIR}/install/debian/conffiles "${KALMERO_NIGHTLY_CONF}\n")
  list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/install/debian/conffiles)
  # dpkg keeps a conffile's sum itself: Debian's md5sums leave conffiles out.
  set(CPACK_KALMERO_CONFFILES ${KALMERO_NIGHTLY_CONF})
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/data/debian/conffile-sums.cmake)
endif()

include(CPack)
