# `make install PREFIX=DIR` (cmake --install): the two programs, the
# plug-in and the shared libraries they load, the texture library with its
# headers, a CMake package and a pkg-config file, so that a program outside
# this tree can use the library:
#
#   find_package(r3az8tex CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE r3az8tex::r3az8tex)
#
# or `pkg-config --cflags --libs r3az8tex`. examples/consumer is such a
# program, installed beside the package as share/r3az8tex/examples/consumer;
# the README and docs/ go to share/doc/mirolan. The layout is fixed (bin/,
# lib/, include/), which the relative run path $ORIGIN/../lib relies on.
include(CMakePackageConfigHelpers)

set(R3AZ_PACKAGE_FOLDER lib/cmake/r3az8tex)

# The library and the platform it draws on, exported as r3az8tex::r3az8tex,
# r3az8tex::d3d8 and r3az8tex::kernel32.
install(TARGETS r3az8tex d3d8 kernel32
  EXPORT r3az8texTargets
  ARCHIVE DESTINATION lib
  LIBRARY DESTINATION lib
  RUNTIME DESTINATION bin)
install(EXPORT r3az8texTargets NAMESPACE r3az8tex:: DESTINATION ${R3AZ_PACKAGE_FOLDER})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/r3az8/tex/ DESTINATION include/r3az8/tex FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_SOURCE_DIR}/platform/include/d3d8.h ${PROJECT_SOURCE_DIR}/platform/include/win32.h
  DESTINATION include)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/r3az8texConfig.cmake.in
  ${PROJECT_BINARY_DIR}/r3az8texConfig.cmake
  INSTALL_DESTINATION ${R3AZ_PACKAGE_FOLDER})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/r3az8texConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/r3az8texConfig.cmake ${PROJECT_BINARY_DIR}/r3az8texConfigVersion.cmake
  DESTINATION ${R3AZ_PACKAGE_FOLDER})
configure_file(${CMAKE_CURRENT_LIST_DIR}/r3az8tex.pc.in ${PROJECT_BINARY_DIR}/r3az8tex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/r3az8tex.pc DESTINATION lib/pkgconfig)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/consumer/ DESTINATION share/r3az8tex/examples/consumer
  PATTERN "build*" EXCLUDE)

# The tools, the effect plug-in and the engine stand-ins it imports; the
# host finds the plug-in in ../lib. The example parameter file goes with
# them.
install(TARGETS r3aztex mirolan-play RUNTIME DESTINATION bin)
install(TARGETS Mirolan pwKernel pwMemLeak LIBRARY DESTINATION lib)
install(FILES ${PROJECT_SOURCE_DIR}/examples/effect.txt DESTINATION share/mirolan/examples)

# The README beside docs/, as in the tree, so its links still lead there.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/mirolan)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION share/doc/mirolan/docs FILES_MATCHING PATTERN "*.md")
