# update_server_test(NAME SOURCES ... DEPS ...): a Windows test program that runs under Wine
# with the loopback servers of with_servers.sh around it (they stop when it ends).
function(update_server_test name)
  cmake_parse_arguments(K "" "" "SOURCES;DEPS" ${ARGN})
  kelt_use_gtest()
  add_executable(${name} ${K_SOURCES} ${CMAKE_SOURCE_DIR}/resources/test_manifest.rc)
  target_link_libraries(${name} PRIVATE ${K_DEPS} gtest_main gmock)
  add_test(NAME ${name}
    COMMAND ${CMAKE_SOURCE_DIR}/tests/windows/update/with_servers.sh
            ${CMAKE_SOURCE_DIR}/tools/wine-run.sh $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600
    ENVIRONMENT "KELT_SOURCE_DIR=${CMAKE_SOURCE_DIR};KELT_BINARY_DIR=${CMAKE_BINARY_DIR};KELT_STAGE_DIR=${KELT_STAGE_DIR}")
endfunction()
