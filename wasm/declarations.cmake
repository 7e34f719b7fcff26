# Writes the package's declarations (OUT) from their template (IN), the
# type Scheme the union of the scheme names: the scheme columns of the
# romanisation table (TABLE), which follow unit, sign, kind and name in its
# header row, the default dialect first; the type Script the union of the
# enumerators of the library's script enumeration (SCRIPTSHEADER, the header
# made from the scripts' table), in their order.
#   cmake -DTABLE=table.tsv -DSCRIPTSHEADER=lipisetu_scripts.hpp -DIN=lipisetu.d.ts.in -DOUT=lipisetu.d.ts
#         -P declarations.cmake
file(STRINGS ${TABLE} header LIMIT_COUNT 1)
string(REPLACE "\t" ";" columns "${header}")
list(SUBLIST columns 0 4 fixed)
if(NOT fixed STREQUAL "# unit;sign;kind;name")
  message(FATAL_ERROR "${TABLE}: the header row does not start with unit, sign, kind and name")
endif()
list(SUBLIST columns 4 -1 names)
list(TRANSFORM names PREPEND "'")
list(TRANSFORM names APPEND "'")
list(JOIN names " | " SCHEMES)

file(STRINGS ${SCRIPTSHEADER} enumeration REGEX "^enum class script ")
if(NOT enumeration MATCHES "{([a-z, ]+)}")
  message(FATAL_ERROR "${SCRIPTSHEADER}: no enumeration of the scripts")
endif()
string(REPLACE " " "" names "${CMAKE_MATCH_1}")
string(REPLACE "," ";" names "${names}")
list(TRANSFORM names PREPEND "'")
list(TRANSFORM names APPEND "'")
list(JOIN names " | " SCRIPTS)
configure_file(${IN} ${OUT} @ONLY)
