# Installs the build into WORK_DIR/prefix and uses it as a stranger would:
# the public headers alone, the example program installed with it, built
# both ways, and the programs.
# Fails (message FATAL_ERROR) at the first step that does not work.

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "${what} failed (${code}):\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run("installing" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(file bin/r3aztex bin/mirolan-play lib/libMirolan.so lib/libr3az8tex.a lib/libr3az8tex_files.a
             lib/libr3az8tex_convert.a lib/libd3d8.so lib/libkernel32.so lib/libpwKernel.so lib/libpwMemLeak.so
             include/r3az8/tex/load.h include/r3az8/tex/texture.h include/r3az8/tex/texture_files.h
             include/r3az8/tex/convert.h include/d3d8.h include/win32.h
             lib/cmake/r3az8tex/r3az8texConfig.cmake lib/pkgconfig/r3az8tex.pc share/mirolan/examples/effect.txt
             share/r3az8tex/examples/consumer/CMakeLists.txt share/r3az8tex/examples/consumer/main.cpp
             share/doc/mirolan/README.md share/doc/mirolan/docs/effect.md share/doc/mirolan/docs/r3aztex.md
             share/doc/mirolan/docs/settings.md share/doc/mirolan/docs/library-api.md)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "${file} was not installed")
  endif()
endforeach()

# The public headers, as a stranger includes them: each compiles alone in
# C++17, the oldest standard the docs promise (twice over, so a missing
# include guard shows), includes only installed headers, opens with the
# comment that documents its calls, and is named in docs/library-api.md.
# Internal headers (kernel fragments among them, which refuse to compile
# alone) are not installed at all.
file(GLOB_RECURSE installed_headers RELATIVE ${prefix}/include ${prefix}/include/*.h)
file(READ ${prefix}/share/doc/mirolan/docs/library-api.md api_doc)
foreach(internal r3az8/tex/image_desc.h r3az8/tex/pixel_codec.h r3az8/tex/blitter.h r3az8/tex/dxt/quality.h
                 r3az8/tex/texture/texture_image.h r3az8/tex/texture/format_table.h r3az8/tex/texture/texture_error.h
                 r3az8/tex/files/image_file.h r3az8/tex/files/dds_reader.h r3az8/tex/files/file_bytes.h
                 r3az8/tex/convert/convert_pipeline.h r3az8/tex/convert/convert_textures.h
                 r3az8/tex/convert/work_pool.h r3az8/tex/compare/image_difference.h d3d8_testing.h)
  if(EXISTS ${prefix}/include/${internal})
    message(FATAL_ERROR "the internal header ${internal} was installed")
  endif()
endforeach()
# The folders of the texture, file and conversion code hold only internals.
foreach(folder texture files convert compare)
  file(GLOB_RECURSE internals ${prefix}/include/r3az8/tex/${folder}/*)
  if(internals)
    message(FATAL_ERROR "internal headers were installed: ${internals}")
  endif()
endforeach()
foreach(header ${installed_headers})
  file(STRINGS ${prefix}/include/${header} first_line LIMIT_COUNT 1)
  if(NOT first_line MATCHES "^// ")
    message(FATAL_ERROR "${header} does not open with a comment saying what it offers")
  endif()
  string(FIND "${api_doc}" "${header}" named)
  if(named EQUAL -1)
    message(FATAL_ERROR "${header} is installed but docs/library-api.md does not name it")
  endif()
  file(STRINGS ${prefix}/include/${header} includes REGEX "^#include \"")
  get_filename_component(folder ${prefix}/include/${header} DIRECTORY)
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    if(NOT EXISTS ${prefix}/include/${included} AND NOT EXISTS ${folder}/${included})
      message(FATAL_ERROR "${header} includes ${included}, which is not installed")
    endif()
  endforeach()
  file(WRITE ${WORK_DIR}/headers/alone.cpp "#include \"${header}\"\n#include \"${header}\"\n")
  run("compiling ${header} alone" ${CXX} -std=c++17 -Wall -Wextra -Wshadow -Werror -fsyntax-only
      -I${prefix}/include ${WORK_DIR}/headers/alone.cpp)
endforeach()

# The example in docs/library-api.md is the consumer's source, which is
# built and run below: the two cannot drift apart.
file(READ ${prefix}/share/r3az8tex/examples/consumer/main.cpp consumer_source)
string(FIND "${api_doc}" "```cpp\n" opening)
set(quoted "")
if(NOT opening EQUAL -1)
  math(EXPR opening "${opening} + 7")
  string(SUBSTRING "${api_doc}" ${opening} -1 quoted)
  string(FIND "${quoted}" "\n```" closing)
  math(EXPR closing "${closing} + 1")
  string(SUBSTRING "${quoted}" 0 ${closing} quoted)
endif()
if(NOT quoted STREQUAL consumer_source)
  message(FATAL_ERROR "docs/library-api.md's example differs from examples/consumer/main.cpp")
endif()

# Run paths are relative: nothing may point into the build tree.
foreach(file bin/r3aztex bin/mirolan-play lib/libMirolan.so lib/libpwKernel.so)
  run("reading the run path of ${file}" readelf -d ${prefix}/${file})
  if(NOT last_output MATCHES "\\$ORIGIN/\\.\\./lib" OR last_output MATCHES "${BUILD_DIR}")
    message(FATAL_ERROR "${file} has no run path $ORIGIN/../lib, or one into the build tree:\n${last_output}")
  endif()
endforeach()

# The installed programs find their plug-in and libraries, as the README's
# examples run them.
file(MAKE_DIRECTORY ${WORK_DIR}/run)
run("running the installed host" ${prefix}/bin/mirolan-play --params ${prefix}/share/mirolan/examples/effect.txt
    --frames 3 --out ${WORK_DIR}/run/out)
set(picture ${WORK_DIR}/run/out/frame_0003.png)
run("converting with the installed tool" ${prefix}/bin/r3aztex convert ${picture} --outdir ${WORK_DIR}/run/dds)
run("comparing with the installed tool" ${prefix}/bin/r3aztex diff ${picture} ${WORK_DIR}/run/dds/frame_0003.dds
    --min-psnr 20)

# A little-endian 32-bit number of a file read as hex, at byte `offset`.
function(read_le32 file offset out)
  file(READ ${file} hex OFFSET ${offset} LIMIT 4 HEX)
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" hex "${hex}")
  math(EXPR value "0x${hex}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# The picture's size from its IHDR (big-endian, at bytes 16 and 20), and the
# levels of its whole chain.
file(READ ${picture} ihdr OFFSET 16 LIMIT 8 HEX)
string(SUBSTRING "${ihdr}" 0 8 width_hex)
string(SUBSTRING "${ihdr}" 8 8 height_hex)
math(EXPR width "0x${width_hex}")
math(EXPR height "0x${height_hex}")
set(levels 1)
set(side ${width})
if(height GREATER side)
  set(side ${height})
endif()
while(side GREATER 1)
  math(EXPR side "${side} / 2")
  math(EXPR levels "${levels} + 1")
endwhile()

# What the consumer wrote, read here from the DDS header itself: DXT5, the
# picture's size, the whole chain.
function(check_consumer_output dds)
  read_le32(${dds} 12 dds_height)
  read_le32(${dds} 16 dds_width)
  read_le32(${dds} 28 dds_levels)
  file(READ ${dds} fourcc OFFSET 84 LIMIT 4 HEX)
  if(NOT fourcc STREQUAL "44585435" OR NOT dds_width EQUAL width OR NOT dds_height EQUAL height
     OR NOT dds_levels EQUAL levels)
    message(FATAL_ERROR "${dds} holds ${dds_width}x${dds_height} with ${dds_levels} levels, four-character code "
                        "${fourcc} (hex), not DXT5 (44585435) ${width}x${height} with ${levels}")
  endif()
endfunction()

# The installed consumer through the CMake package, as a user copies it.
run("configuring the consumer" ${CMAKE_COMMAND} -S ${prefix}/share/r3az8tex/examples/consumer -B ${WORK_DIR}/consumer
    -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run("building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run("running the consumer" ${WORK_DIR}/consumer/consumer ${picture} ${WORK_DIR}/run/consumer.dds)
check_consumer_output(${WORK_DIR}/run/consumer.dds)
# The library gives what the tool writes for the same request.
run("converting to dxt5 with the installed tool" ${prefix}/bin/r3aztex convert ${picture} --format dxt5
    -o ${WORK_DIR}/run/tool-dxt5.dds --quiet)
run("comparing the consumer's file with the tool's" ${CMAKE_COMMAND} -E compare_files ${WORK_DIR}/run/consumer.dds
    ${WORK_DIR}/run/tool-dxt5.dds)
# KTX2 by the output's ending, through the installed libzstd dependency.
run("running the consumer with KTX2 output" ${WORK_DIR}/consumer/consumer ${picture} ${WORK_DIR}/run/consumer.ktx2)
run("converting to dxt5 KTX2 with the installed tool" ${prefix}/bin/r3aztex convert ${picture} --format dxt5
    -o ${WORK_DIR}/run/tool-dxt5.ktx2 --quiet)
run("comparing the consumer's KTX2 file with the tool's" ${CMAKE_COMMAND} -E compare_files
    ${WORK_DIR}/run/consumer.ktx2 ${WORK_DIR}/run/tool-dxt5.ktx2)

# The same source through pkg-config, in the oldest standard the docs
# promise.
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run("asking pkg-config" pkg-config --cflags --libs r3az8tex)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run("compiling with pkg-config's flags" ${CXX} -std=c++17 ${prefix}/share/r3az8tex/examples/consumer/main.cpp ${flags}
    -o ${WORK_DIR}/consumer-pc)
run("running the pkg-config consumer" ${WORK_DIR}/consumer-pc ${picture} ${WORK_DIR}/run/consumer-pc.dds)
check_consumer_output(${WORK_DIR}/run/consumer-pc.dds)
message(STATUS "installed package: consumer and programs ran")
