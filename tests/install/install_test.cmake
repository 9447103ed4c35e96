# Installs the build into WORK_DIR/prefix and uses it as a stranger would:
# the example program installed with it, built both ways, and the programs.
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
             share/doc/mirolan/docs/settings.md)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "${file} was not installed")
  endif()
endforeach()

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
