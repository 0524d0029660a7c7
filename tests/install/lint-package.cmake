# cmake -DBUILD=<build folder> -P lint-package.cmake
# Makes the Debian package of the build (cpack) and checks it with lintian: no error and
# no warning may be left.
file(GLOB old ${BUILD}/merrowick_*.deb)
if(old)
  file(REMOVE ${old})
endif()
execute_process(COMMAND cpack -G DEB WORKING_DIRECTORY ${BUILD}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed (${result}):\n${output}")
endif()
file(GLOB deb ${BUILD}/merrowick_*.deb)
find_program(LINTIAN lintian)
if(NOT LINTIAN)
  message(FATAL_ERROR "lintian is not installed (scripts/install-deps installs it)")
endif()
execute_process(COMMAND ${LINTIAN} --fail-on error,warning ${deb}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "lintian found errors or warnings in ${deb}")
endif()
