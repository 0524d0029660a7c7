# Run by cpack after it made the package (CPACK_POST_BUILD_SCRIPTS): takes out the
# postinst and postrm scripts that CPack writes for any shared object under /usr/lib.
# They only call ldconfig, which the program's private modules in /usr/lib/merrowick/
# (loaded by path, never through the linker's cache) do not need.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree ${CPACK_TOPLEVEL_DIRECTORY}/repack)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb -R ${deb} ${tree} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -R ${deb} failed")
  endif()
  file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -b ${tree} ${deb}
                  RESULT_VARIABLE result OUTPUT_QUIET)
  file(REMOVE_RECURSE ${tree})
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -b ${deb} failed")
  endif()
endforeach()
