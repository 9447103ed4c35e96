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

foreach(file bin/r3aztex bin/mirolan-play lib/libMirolan.so lib/libr3az8tex.a lib/libd3d8.so lib/libkernel32.so
             lib/libpwKernel.so lib/libpwMemLeak.so include/r3az8/tex/load.h include/d3d8.h include/win32.h
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
                 d3d8_testing.h)
  if(EXISTS ${prefix}/include/${internal})
    message(FATAL_ERROR "the internal header ${internal} was installed")
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

# The installed consumer through the CMake package, as a user copies it.
run("configuring the consumer" ${CMAKE_COMMAND} -S ${prefix}/share/r3az8tex/examples/consumer -B ${WORK_DIR}/consumer
    -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run("building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run("running the consumer" ${WORK_DIR}/consumer/consumer)

# The same source through pkg-config.
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run("asking pkg-config" pkg-config --cflags --libs r3az8tex)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run("compiling with pkg-config's flags" ${CXX} -std=c++20 ${prefix}/share/r3az8tex/examples/consumer/main.cpp ${flags}
    -o ${WORK_DIR}/consumer-pc)
run("running the pkg-config consumer" ${WORK_DIR}/consumer-pc)

# The installed programs find their plug-in and libraries, as the README's
# examples run them.
file(MAKE_DIRECTORY ${WORK_DIR}/run)
run("running the installed host" ${prefix}/bin/mirolan-play --params ${prefix}/share/mirolan/examples/effect.txt
    --frames 3 --out ${WORK_DIR}/run/out)
run("converting with the installed tool" ${prefix}/bin/r3aztex convert ${WORK_DIR}/run/out/frame_0003.png
    --outdir ${WORK_DIR}/run/dds)
run("comparing with the installed tool" ${prefix}/bin/r3aztex diff ${WORK_DIR}/run/out/frame_0003.png
    ${WORK_DIR}/run/dds/frame_0003.dds --min-psnr 20)
message(STATUS "installed package: consumer and programs ran")
