# The Debian package (scripts/package): CPack over the install step, with the shared libraries'
# packages found by dpkg-shlibdeps and the run-time pieces no library names declared here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zmping2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop network monitor: pings one host and shows how the connection stands")
set(CPACK_PACKAGE_DESCRIPTION "ZmPing2 sends ICMP echo requests to one host and shows the last \
round-trip time on a liquid-crystal style readout, a history graph, a status lamp and a \
notification-area icon coloured by two thresholds, with an optional alarm sound. Its windows are \
in Turkish, or in English when the user chooses so.")
set(CPACK_PACKAGE_CONTACT "ZmPing2 maintainers <zmping2@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window system plug-ins (X11 in qt6-qpa-plugins, Wayland in qt6-wayland), the typeface
# that stands in for the design's and the history store's SQLite driver are loaded at run time,
# not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland, fonts-liberation, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "alsa-utils | pulseaudio-utils | pipewire-bin")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
