# `make install PREFIX=DIR` (cmake --install): the two programs, the
# plug-in and the shared libraries they load, the texture library with its
# public headers, a CMake package and a pkg-config file, so that a program outside
# this tree can use the library:
#
#   find_package(r3az8tex CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE r3az8tex::convert)
#
# or `pkg-config --cflags --libs r3az8tex`. examples/consumer is such a
# program, installed beside the package as share/r3az8tex/examples/consumer;
# the README and docs/ go to share/doc/mirolan. The layout is fixed (bin/,
# lib/, include/), which the relative run path $ORIGIN/../lib relies on.
include(CMakePackageConfigHelpers)

set(R3AZ_PACKAGE_FOLDER lib/cmake/r3az8tex)

# The library and the platform it draws on, exported as r3az8tex::r3az8tex,
# r3az8tex::d3d8 and r3az8tex::kernel32; texture files and conversion over
# it as r3az8tex::files and r3az8tex::convert (which brings all the others).
install(TARGETS r3az8tex r3az8tex_files r3az8tex_convert d3d8 kernel32
  EXPORT r3az8texTargets
  ARCHIVE DESTINATION lib
  LIBRARY DESTINATION lib
  RUNTIME DESTINATION bin)
install(EXPORT r3az8texTargets NAMESPACE r3az8tex:: DESTINATION ${R3AZ_PACKAGE_FOLDER})

# The library's public headers, the only ones installed, each in its folder
# under include/ (docs/library-api.md describes them). Everything else in
# r3az8/tex/ is the library's own and may change from one version to the
# next. A public header includes nothing but the others listed here and
# the standard library; the install test checks that and compiles each
# one alone.
set(R3AZ_PUBLIC_HEADERS
  r3az8/tex/texture.h       # a whole texture in memory, TextureError
  r3az8/tex/texture_files.h # reading and writing DDS, PNG, TGA and JPEG files
  r3az8/tex/convert.h       # conversion of whole textures
  r3az8/tex/load.h          # loads from memory, surface and volume; FilterTexture
  r3az8/tex/load_rows.h     # a band of rows of a load from memory
  r3az8/tex/filter.h        # the filter word
  r3az8/tex/pixel_formats.h # the library's own formats, FloatColor
  r3az8/tex/block_encoder.h # the quality block encoder
  platform/include/d3d8.h   # the software Direct3D 8 device
  platform/include/win32.h) # the Win32 types and calls under it
foreach(header ${R3AZ_PUBLIC_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  string(REGEX REPLACE "^platform/include/?" "" folder "${folder}")
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION include/${folder})
endforeach()

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
