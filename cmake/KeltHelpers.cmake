# Build helpers shared by every module.
#
# Native builds (Linux) make the portable libraries three ways: plain (tools, benchmarks),
# "_san" (AddressSanitizer + UndefinedBehaviorSanitizer, for native tests) and "_fuzz"
# (instrumented for libFuzzer). Windows builds (mingw-w64) make everything once, linked
# statically so each program starts on a clean Windows.

if(WIN32)
  set(KELT_WINDOWS ON)
  set(KELT_NATIVE OFF)
else()
  set(KELT_WINDOWS OFF)
  set(KELT_NATIVE ON)
endif()

set(KELT_SAN_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
set(KELT_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)

# Where the native build leaves its tools; the Windows builds run them (catalogue compiler,
# artwork converter).
set(KELT_HOST_BIN "${CMAKE_SOURCE_DIR}/build/native/bin" CACHE PATH "Native tool folder used by cross builds")
# The program folder exactly as a user unpacks it.
set(KELT_STAGE_DIR "${CMAKE_BINARY_DIR}/Keltrix")

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Compiler cache where the machine has one: rebuilds after a branch switch, and builds of the
# same sources in several checkouts, reuse earlier results.
find_program(KELT_CCACHE ccache)
if(KELT_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${KELT_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${KELT_CCACHE})
endif()

# The oldest Windows the programs and plug-ins run on, as NT version: Windows Vista. The headers
# then offer nothing newer (what a later Windows alone has is looked up at run time), the
# manifests list it first, and tools/check-dist.sh refuses any import a Vista lacks.
set(KELT_MIN_WINDOWS "6.0")
set(KELT_MIN_WINDOWS_NAME "Windows Vista")
if(KELT_WINDOWS)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0600 WINVER=0x0600 _WIN32_IE=0x0600 STRICT)
  add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
  add_link_options(-static -static-libgcc -static-libstdc++)
else()
  add_compile_options(-Wall -Wextra -Wno-unused-parameter)
endif()
include_directories(${CMAKE_SOURCE_DIR})

# kelt_variant_deps(OUT VARIANT deps...): each dependency's VARIANT build (_san, _fuzz) where one
# exists, the dependency itself otherwise.
function(kelt_variant_deps out variant)
  set(result)
  foreach(d IN LISTS ARGN)
    if(TARGET ${d}_${variant})
      list(APPEND result ${d}_${variant})
    else()
      list(APPEND result ${d})
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# kelt_library(NAME [PORTABLE] SOURCES ... [DEPS ...] [SYSLIBS ...])
#   PORTABLE libraries also get the _san and _fuzz variants on native builds.
function(kelt_library name)
  cmake_parse_arguments(K "PORTABLE" "" "SOURCES;DEPS;SYSLIBS" ${ARGN})
  add_library(${name} STATIC ${K_SOURCES})
  target_link_libraries(${name} PUBLIC ${K_DEPS} ${K_SYSLIBS})
  if(KELT_NATIVE AND K_PORTABLE)
    foreach(variant san fuzz)
      add_library(${name}_${variant} STATIC ${K_SOURCES})
      if(variant STREQUAL "san")
        target_compile_options(${name}_${variant} PUBLIC ${KELT_SAN_FLAGS})
        target_link_options(${name}_${variant} PUBLIC -fsanitize=address,undefined)
      else()
        target_compile_options(${name}_${variant} PUBLIC ${KELT_FUZZ_FLAGS})
        target_link_options(${name}_${variant} PUBLIC -fsanitize=address,undefined)
      endif()
      kelt_variant_deps(vdeps ${variant} ${K_DEPS})
      target_link_libraries(${name}_${variant} PUBLIC ${vdeps} ${K_SYSLIBS})
      set_target_properties(${name}_${variant} PROPERTIES EXCLUDE_FROM_ALL OFF)
    endforeach()
  endif()
endfunction()

# GoogleTest from Debian's source package, compiled by whichever compiler this build uses.
macro(kelt_use_gtest)
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(t gtest gtest_main gmock gmock_main)
      if(TARGET ${t})
        target_compile_options(${t} PRIVATE -w)
      endif()
    endforeach()
  endif()
endmacro()

# kelt_native_test(NAME SOURCES ... DEPS ...): sanitized GoogleTest program, run by ctest.
function(kelt_native_test name)
  cmake_parse_arguments(K "" "" "SOURCES;DEPS" ${ARGN})
  kelt_use_gtest()
  add_executable(${name} ${K_SOURCES})
  kelt_variant_deps(sdeps san ${K_DEPS})
  target_compile_options(${name} PRIVATE ${KELT_SAN_FLAGS})
  target_link_options(${name} PRIVATE -fsanitize=address,undefined)
  target_link_libraries(${name} PRIVATE ${sdeps} gtest_main gmock)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()

# kelt_windows_test(NAME SOURCES ... DEPS ... [RESOURCES ...]): GoogleTest program built by
# mingw and run by Wine (a fresh throw-away prefix, under Xvfb when there is no display).
function(kelt_windows_test name)
  cmake_parse_arguments(K "" "TIMEOUT" "SOURCES;DEPS" ${ARGN})
  kelt_use_gtest()
  add_executable(${name} ${K_SOURCES} ${CMAKE_SOURCE_DIR}/resources/test_manifest.rc)
  target_link_libraries(${name} PRIVATE ${K_DEPS} gtest_main gmock)
  add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-run.sh $<TARGET_FILE:${name}>)
  if(NOT K_TIMEOUT)
    set(K_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${K_TIMEOUT}
    ENVIRONMENT "KELT_SOURCE_DIR=${CMAKE_SOURCE_DIR};KELT_BINARY_DIR=${CMAKE_BINARY_DIR};KELT_STAGE_DIR=${KELT_STAGE_DIR}")
endfunction()

# kelt_native_tool(NAME SOURCES ... DEPS ...): a Linux build/developer tool in build/<preset>/bin.
function(kelt_native_tool name)
  cmake_parse_arguments(K "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${K_SOURCES})
  target_link_libraries(${name} PRIVATE ${K_DEPS})
endfunction()

# kelt_fuzz_target(NAME SOURCES ... DEPS ... CORPUS dir): libFuzzer program (clang only).
function(kelt_fuzz_target name)
  cmake_parse_arguments(K "" "CORPUS" "SOURCES;DEPS" ${ARGN})
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  add_executable(${name} ${K_SOURCES})
  kelt_variant_deps(fdeps fuzz ${K_DEPS})
  target_compile_options(${name} PRIVATE ${KELT_FUZZ_FLAGS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${fdeps})
  set_property(GLOBAL APPEND PROPERTY KELT_FUZZ_TARGETS "${name}|${K_CORPUS}")
endfunction()

# kelt_stage(TARGET [SUBDIR dir]): copy a built program or plug-in into the program folder.
function(kelt_stage target)
  cmake_parse_arguments(K "" "SUBDIR" "" ${ARGN})
  set(dest ${KELT_STAGE_DIR})
  if(K_SUBDIR)
    set(dest ${KELT_STAGE_DIR}/${K_SUBDIR})
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dest}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${dest}/)
endfunction()
