# Checks xdbdump: the listing of a known table, --copy giving the same bytes, and a bad file
# reported on stderr with a non-zero exit.
#   cmake -DXDBDUMP=... -DTABLE=... -DEXPECTED=... -DWORK=... -P xdbdump_check.cmake
file(MAKE_DIRECTORY ${WORK})

execute_process(COMMAND ${XDBDUMP} ${TABLE} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "xdbdump failed on ${TABLE}: ${rc}")
endif()
string(REPLACE "${TABLE}" "FILE" out "${out}")
file(READ ${EXPECTED} expected)
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "unexpected listing:\n${out}\nexpected:\n${expected}")
endif()

execute_process(COMMAND ${XDBDUMP} --copy ${TABLE} ${WORK}/copy.rwr RESULT_VARIABLE rc)
file(SHA256 ${TABLE} a)
file(SHA256 ${WORK}/copy.rwr b)
if(NOT rc EQUAL 0 OR NOT a STREQUAL b)
  message(FATAL_ERROR "--copy did not reproduce the table (${rc})")
endif()

file(WRITE ${WORK}/bad.xdb "xyz")
execute_process(COMMAND ${XDBDUMP} ${WORK}/bad.xdb OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(rc EQUAL 0 OR NOT err STREQUAL "Error opening table: Buffer structure corruption!\n" OR NOT out STREQUAL "")
  message(FATAL_ERROR "bad file: exit ${rc}, stderr '${err}', stdout '${out}'")
endif()

execute_process(COMMAND ${XDBDUMP} ${WORK}/absent.xdb ERROR_VARIABLE err RESULT_VARIABLE rc)
if(rc EQUAL 0 OR NOT err STREQUAL "Error opening file ${WORK}/absent.xdb\n")
  message(FATAL_ERROR "missing file: exit ${rc}, stderr '${err}'")
endif()
