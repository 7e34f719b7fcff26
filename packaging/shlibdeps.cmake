# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) once the files of every package
# are in place and before the packages are made: the Depends of the shared
# library's package, from dpkg-shlibdeps on the library as packaged. CPack's
# own dpkg-shlibdeps run is off for that package: the file scan it comes
# with also makes CPack write maintainer scripts that call ldconfig for a
# package with a shared library, where Debian wants the ldconfig trigger
# the package carries instead.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
# The library itself, named by its whole version (the links are not).
file(GLOB_RECURSE libs "${CPACK_TEMPORARY_DIRECTORY}/library/liblipisetu.so.*.*.*")
list(LENGTH libs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one shared library in the library package, found: ${libs}")
endif()
# dpkg-shlibdeps reads debian/control of the folder it runs in; an empty one
# is enough for its -O output.
set(work "${CPACK_TEMPORARY_DIRECTORY}/library-shlibdeps")
file(WRITE "${work}/debian/control" "")
execute_process(COMMAND "${CPACK_LIPISETU_SHLIBDEPS}" -O -e ${libs}
  WORKING_DIRECTORY "${work}"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT result EQUAL 0 OR NOT out MATCHES "shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "dpkg-shlibdeps on ${libs} failed: ${err}")
endif()
set(CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
file(REMOVE_RECURSE "${work}")
