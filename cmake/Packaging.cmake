# Debian packages, built with `cpack -G DEB` in a configured build tree:
#
#   libkorvelgraphline1     the shared object and its SONAME link, the
#                           korvelgraph program and its manual page
#   libkorvelgraphline-dev  headers, CMake package, pkg-config file and the
#                           unversioned link used at build time
#
# The packages install under /usr. Configure with -DCMAKE_INSTALL_PREFIX=/usr
# (the `deb` preset does) so that GNUInstallDirs picks the multiarch library
# directory, /usr/lib/<triplet>, as Debian does.

if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  message(STATUS "Debian packages: configure with -DCMAKE_INSTALL_PREFIX=/usr "
                 "to install the library into the multiarch directory")
endif()

set(CPACK_PACKAGE_NAME korvelgraphline)
set(CPACK_PACKAGE_VENDOR "KorvelGraphLine")
set(CPACK_PACKAGE_CONTACT "KorvelGraphLine maintainers <maintainers@korvelgraphline.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package's description below starts with its own summary line; left
# empty, the shared summary is not put in front of them.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)  # dev needs runtime (= version)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)      # name_version_arch.deb
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# Dependencies of the shared object and the program come from
# dpkg-shlibdeps; the program's own dependency on the library is resolved
# against the build tree and stays inside the runtime package. The runtime
# package also gets a shlibs file, so that packages built against it depend
# on it in turn, and the ldconfig calls in its maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libkorvelgraphline${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
"bar and line charts as BMP files (shared library)
KorvelGraphLine turns a text file of numbers into an 800 x 600 bar or line
chart, written as a 24-bit BMP file. Beneath the two chart functions lies a
raster image component: BMP reading and writing at 1, 4, 8, 16, 24 and 32
bits per pixel, colour tables, header probes, pixel copies and a bilinear
rescale.
.
This package contains the shared library and the korvelgraph program, which
draws charts and inspects and converts BMP files from the command line.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libkorvelgraphline-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_DESCRIPTION
"bar and line charts as BMP files (development files)
KorvelGraphLine turns a text file of numbers into an 800 x 600 bar or line
chart, written as a 24-bit BMP file, on top of a complete BMP raster image
component.
.
This package contains the C and C++ headers, the CMake package
(find_package(KorvelGraphLine), target KorvelGraphLine::korvelgraphline)
and the pkg-config file (korvelgraphline) needed to build programs that use
the library.")

include(CPack)
