# cmake -DBUILD=<build folder> -DSTAGE=<folder> [-DREMOVE=1] -P stage.cmake
# Stages the install for /usr under DESTDIR=<folder>, afresh; with REMOVE, only removes it.
file(REMOVE_RECURSE ${STAGE})
if(REMOVE)
  return()
endif()
set(ENV{DESTDIR} ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()
