# The Debian package: `cpack -G DEB` in a build folder gives corvane-calc_VERSION_ARCH.deb
# with the program, corvane-calc-cli, the .desktop entry, the icons and the AppStream
# metainfo. dpkg-shlibdeps (package dpkg-dev) finds the libraries it depends on.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane-calc)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Corvane developers <developers@corvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pension insurance calculator: policy against bank deposit")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane养老险计算器 compares an old-age insurance policy with a bank deposit into which the same premiums are paid and from which the same monthly payout is drawn, and shows when the deposit runs dry. corvane-calc-cli gives the same figures for tab-separated lines.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its window-system plugins at run time, where dpkg-shlibdeps does not look.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The captions are Chinese: a small CJK font, or the large one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
include(CPack)
