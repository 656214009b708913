# The Debian package of everything installed (cpack -G DEB in the build folder). Its dependencies are read
# from the installed programs by dpkg-shlibdeps, so they follow the libraries the build linked.
set(CPACK_PACKAGE_NAME tallyfold)
set(CPACK_PACKAGE_VENDOR "Tallyfold")
set(CPACK_PACKAGE_CONTACT "Tallyfold maintainers <maintainers@users.noreply.c-seed-e620f528.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Stacked histograms from columns of numbers")
set(CPACK_PACKAGE_DESCRIPTION "Tallyfold turns delimited text (a file, a dropped file or a range pasted from a \
spreadsheet) into stacked histograms, one bar series per column, with the statistics of each series, and \
exports the chart as EMF or BMP. The user interface is Japanese.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time rather than linked, so shlibdeps cannot see them: the Qt platform plugin for X11, the
# image plugins for background pictures, Qt's Japanese texts, the fonts the chart's faces stand for and
# the fonts libwmf draws metafile text with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qt6-qpa-plugins, qt6-image-formats-plugins, qt6-translations-l10n, fonts-noto-cjk, fonts-urw-base35")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-gtk-platformtheme")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
