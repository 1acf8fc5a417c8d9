# `make package`: a Debian package of what cmake/Install.cmake installs.
# Dependencies are the shared libraries the programs link (found by
# dpkg-shlibdeps) plus what Velmora loads or starts at run time, which no
# linker sees: the Qt SQLite driver plugin, 7z for .bbb archives and the trace
# log, ffmpeg for music and video conversion.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velmora developers")
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@users.noreply.github.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/velmora/velmora)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libssl3, p7zip-full, ffmpeg, libimobiledevice-utils")
# The first line is the synopsis, the rest the extended description; CPack
# indents each line and turns an empty one into the " ." paragraph break.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "move phone data from a BlackBerry or iPhone to Android
Velmora takes the contacts, text messages and calendar entries out of a
BlackBerry backup (.ipd or .bbb) or an unencrypted iPhone backup and writes
them to an Android phone connected by USB or MTP, for the companion app on
the phone to import. It also copies photos and videos and keeps the music
library in step with the phone.

velmora-convert converts a backup into the same data files without a phone.")

# Strips what dh_strip strips beyond CPack's plain strip.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripSections.cmake)

# Hardening as Debian builds its packages (dpkg-buildflags): fortified libc
# calls (which need optimisation, hence not in Debug or sanitizer builds)
# and read-only relocations resolved at start.
if(NOT VELMORA_SANITIZE AND NOT VELMORA_FUZZ)
  target_compile_options(velmora_flags INTERFACE
    $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2> -fstack-protector-strong)
  target_link_options(velmora_flags INTERFACE -Wl,-z,relro -Wl,-z,now)
endif()

include(CPack)
