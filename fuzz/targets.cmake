# The fuzz targets and what each one links. Read by fuzz/ (the libFuzzer
# build) and by tests/reliability/ (which replays the kept inputs through the
# same target code in the gcc builds), so both always agree.
#
# A target whose libraries are not part of the tree yet is left out.

set(R3AZ_FUZZ_TARGETS
  fuzz_effect_params
  fuzz_dds_reader
  fuzz_load_memory
  fuzz_blit
  fuzz_dxt_block
  fuzz_filter_texture
  fuzz_image_reader)

set(R3AZ_FUZZ_LIBS_fuzz_effect_params MirolanCore kwoUtils pwKernel pwMemLeak r3az8tex kernel32 d3d8)
set(R3AZ_FUZZ_LIBS_fuzz_dds_reader r3az8tex_files r3az8tex kernel32 d3d8)
set(R3AZ_FUZZ_LIBS_fuzz_load_memory r3az8tex kernel32 d3d8)
set(R3AZ_FUZZ_LIBS_fuzz_blit r3az8tex kernel32 d3d8)
set(R3AZ_FUZZ_LIBS_fuzz_dxt_block r3az8tex kernel32 d3d8)
set(R3AZ_FUZZ_LIBS_fuzz_filter_texture r3az8tex kernel32 d3d8)
set(R3AZ_FUZZ_LIBS_fuzz_image_reader r3az8tex_files r3az8tex kernel32 d3d8)

# Targets that work on the software device also take the shared platform
# helpers.
set(R3AZ_FUZZ_PLATFORM_TARGETS fuzz_effect_params fuzz_load_memory fuzz_blit fuzz_filter_texture)

set(R3AZ_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})

# FuzzedDataProvider.h ships with clang's headers. Its folder holds clang's
# own versions of the standard C headers, so the header alone is copied into
# the build tree, where the gcc builds that replay the kept inputs read it
# too.
file(GLOB r3az_fuzz_provider_candidates
  /usr/lib/llvm-*/lib/clang/*/include/fuzzer/FuzzedDataProvider.h)
if(r3az_fuzz_provider_candidates)
  list(SORT r3az_fuzz_provider_candidates)
  list(REVERSE r3az_fuzz_provider_candidates)
  list(GET r3az_fuzz_provider_candidates 0 r3az_fuzz_provider)
  set(R3AZ_FUZZED_DATA_PROVIDER_DIR ${CMAKE_BINARY_DIR}/fuzzed-data-provider)
  configure_file(${r3az_fuzz_provider} ${R3AZ_FUZZED_DATA_PROVIDER_DIR}/fuzzer/FuzzedDataProvider.h COPYONLY)
else()
  set(R3AZ_FUZZED_DATA_PROVIDER_DIR "")
  message(STATUS "FuzzedDataProvider.h not found (package libclang-rt-14-dev): fuzz targets and replays left out")
endif()

# r3az_fuzz_target_available(<target> <out-var>): whether every library the
# target links exists in this tree.
function(r3az_fuzz_target_available target out)
  set(ok TRUE)
  if(NOT R3AZ_FUZZED_DATA_PROVIDER_DIR)
    set(ok FALSE)
  endif()
  foreach(lib ${R3AZ_FUZZ_LIBS_${target}})
    if(NOT TARGET ${lib})
      set(ok FALSE)
    endif()
  endforeach()
  set(${out} ${ok} PARENT_SCOPE)
endfunction()

# r3az_fuzz_target_sources(<executable> <target>): the target's own code, the
# shared helpers and the libraries it exercises.
function(r3az_fuzz_target_sources executable target)
  target_sources(${executable} PRIVATE ${R3AZ_FUZZ_DIR}/${target}.cpp ${R3AZ_FUZZ_DIR}/fuzz_support.cpp)
  if(target IN_LIST R3AZ_FUZZ_PLATFORM_TARGETS)
    target_sources(${executable} PRIVATE ${R3AZ_FUZZ_DIR}/fuzz_platform.cpp)
  endif()
  target_include_directories(${executable} PRIVATE ${PROJECT_SOURCE_DIR})
  target_include_directories(${executable} SYSTEM PRIVATE ${R3AZ_FUZZED_DATA_PROVIDER_DIR})
  target_link_libraries(${executable} PRIVATE ${R3AZ_FUZZ_LIBS_${target}} r3az_warnings)
endfunction()
