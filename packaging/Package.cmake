# The Debian package: `make package` (cpack -G DEB in the build folder) builds build/brimvel_<version>_<arch>.deb.
#
#   /usr/lib/brimvel/brimvel                  the program folder: the executable and data/sounds/
#   /usr/bin/brimvel                          a link to the executable
#   /usr/share/applications/brimvel.desktop   from packaging/brimvel.desktop.in, as scripts/install.sh writes it
#   /usr/share/icons/hicolor/NxN[@2]/apps/brimvel.png
#   /usr/share/metainfo/example.brimvel.Brimvel.metainfo.xml
#   /usr/share/man/man1/brimvel.1.gz
#   /usr/share/doc/brimvel/                   copyright, changelog
#
# The program folder is not writable by its users, so the program keeps their links in
# $XDG_DATA_HOME/brimvel/links/plink.dat (core/LinkFileLocation.h).

# The date of this release, for the metainfo and the package changelog (which wants the weekday too).
set(BRIMVEL_RELEASE_DATE "2026-12-10")
set(BRIMVEL_RELEASE_DATE_RFC2822 "Thu, 10 Dec 2026 12:00:00 +0000")
set(BRIMVEL_MAINTAINER "Brimvel developers <packages@brimvel.example>" CACHE STRING
    "Maintainer of the Debian package: name and e-mail address")

set(_pkg_dir "${CMAKE_BINARY_DIR}/packaging")
set(_pkg_root "lib/brimvel")

# The program folder.
install(TARGETS brimvel RUNTIME DESTINATION "${_pkg_root}")
install(FILES "${BRIMVEL_ASSET_DIR}/button.wav" "${BRIMVEL_ASSET_DIR}/scroll.wav" "${BRIMVEL_ASSET_DIR}/min.wav"
        DESTINATION "${_pkg_root}/data/sounds")
# The command on PATH; a relative link, so the package can be unpacked anywhere. The program finds its folder
# through the resolved executable.
file(MAKE_DIRECTORY "${_pkg_dir}")
file(CREATE_LINK "../${_pkg_root}/brimvel" "${_pkg_dir}/brimvel" SYMBOLIC)
install(FILES "${_pkg_dir}/brimvel" DESTINATION bin)

# The desktop entry: the same text as the per-user install's, starting the command on PATH.
file(READ "${CMAKE_SOURCE_DIR}/packaging/brimvel.desktop.in" _entry)
string(REPLACE "@EXEC@" "brimvel" _entry "${_entry}")
file(CONFIGURE OUTPUT "${_pkg_dir}/brimvel.desktop" CONTENT "${_entry}" @ONLY)
install(FILES "${_pkg_dir}/brimvel.desktop" DESTINATION share/applications)

# The icon at every size the per-user install gives it, 1x and 2x.
foreach(_size 16 32 48 64 128 256)
    install(FILES "${BRIMVEL_ASSET_DIR}/icon_${_size}.png" DESTINATION "share/icons/hicolor/${_size}x${_size}/apps"
            RENAME brimvel.png)
endforeach()
foreach(_size 16 32 64 128)
    math(EXPR _double "${_size} * 2")
    install(FILES "${BRIMVEL_ASSET_DIR}/icon_${_double}.png"
            DESTINATION "share/icons/hicolor/${_size}x${_size}@2/apps" RENAME brimvel.png)
endforeach()
# No 96-pixel picture is drawn: it is scaled down from the 256-pixel one, as scripts/install.sh does.
find_program(BRIMVEL_CONVERT convert)
if(BRIMVEL_CONVERT)
    add_custom_command(
        OUTPUT "${_pkg_dir}/icon_96.png"
        COMMAND "${BRIMVEL_CONVERT}" "${BRIMVEL_ASSET_DIR}/icon_256.png" -filter Lanczos -resize 96x96 -strip
                "PNG32:${_pkg_dir}/icon_96.png"
        DEPENDS brimvel_assets "${BRIMVEL_ASSET_DIR}/icon_256.png"
        COMMENT "Scaling the icon to 96 pixels"
        VERBATIM)
    add_custom_target(brimvel_icon_96 ALL DEPENDS "${_pkg_dir}/icon_96.png")
    install(FILES "${_pkg_dir}/icon_96.png" DESTINATION "share/icons/hicolor/48x48@2/apps" RENAME brimvel.png)
else()
    message(STATUS "ImageMagick's convert is missing: the package's icon has no 48x48@2 size")
endif()

# The AppStream metainfo.
configure_file("${CMAKE_SOURCE_DIR}/packaging/brimvel.metainfo.xml.in"
               "${_pkg_dir}/example.brimvel.Brimvel.metainfo.xml" @ONLY)
install(FILES "${_pkg_dir}/example.brimvel.Brimvel.metainfo.xml" DESTINATION share/metainfo)

# The copyright file and the changelog every Debian package carries.
configure_file("${CMAKE_SOURCE_DIR}/packaging/copyright.in" "${_pkg_dir}/copyright" @ONLY)
configure_file("${CMAKE_SOURCE_DIR}/packaging/changelog.in" "${_pkg_dir}/changelog" @ONLY)
add_custom_command(
    OUTPUT "${_pkg_dir}/changelog.gz"
    COMMAND gzip -9 -n -k -f "${_pkg_dir}/changelog"
    DEPENDS "${_pkg_dir}/changelog"
    COMMENT "Compressing the package changelog"
    VERBATIM)
add_custom_target(brimvel_changelog ALL DEPENDS "${_pkg_dir}/changelog.gz")
install(FILES "${_pkg_dir}/copyright" "${_pkg_dir}/changelog.gz" DESTINATION share/doc/brimvel)

# The manual page.
add_custom_command(
    OUTPUT "${_pkg_dir}/brimvel.1.gz"
    COMMAND gzip -9 -n -c "${CMAKE_SOURCE_DIR}/packaging/brimvel.1" > "${_pkg_dir}/brimvel.1.gz"
    DEPENDS "${CMAKE_SOURCE_DIR}/packaging/brimvel.1"
    COMMENT "Compressing the manual page")
add_custom_target(brimvel_manual ALL DEPENDS "${_pkg_dir}/brimvel.1.gz")
install(FILES "${_pkg_dir}/brimvel.1.gz" DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brimvel)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${BRIMVEL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "web links in a small tab at the edge of the screen")
set(CPACK_PACKAGE_DESCRIPTION
    "Brimvel keeps your most-used web links in a small skinned tab docked at the
right edge of the screen. Retracted, it is a thin strip; pointed at or clicked,
it slides out and shows ten link buttons, nine page selectors and a few
switches. A click on a link opens it in the default browser.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${BRIMVEL_VENDOR_URL}/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its SQLite driver as a plug-in, which the library scan cannot see: the Firefox import needs it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
