# Writes OUT, a C++ source holding the list of known ROM dumps IN (tab-separated facts:
# name, size, SHA-1, CRC32, kind, model; no ROM content). The list is the project's own
# (common/data/known-roms.tsv); a missing, unreadable or empty list stops the build, so a
# program that recognises no dump is never made.
if(NOT DEFINED IN OR IN STREQUAL "")
  message(FATAL_ERROR "No list of known ROM dumps given (IN is empty)")
endif()
if(NOT EXISTS "${IN}" OR IS_DIRECTORY "${IN}")
  message(FATAL_ERROR "The list of known ROM dumps ${IN} is missing")
endif()
file(READ "${IN}" text)
if(text MATCHES "\\)known-roms\"")
  message(FATAL_ERROR "${IN} holds the text that ends the embedded string")
endif()
# At least one line of a dump: a name, a size in bytes and a 40-digit SHA-1.
string(REGEX MATCH "(^|\n)[^#\t\n][^\t\n]*\t[0-9]+\t[0-9A-Fa-f]+\t" row "${text}")
if(row STREQUAL "")
  message(FATAL_ERROR "The list of known ROM dumps ${IN} names no dump")
endif()
set(source "// Generated from the list of known ROM dumps; do not edit.\nextern const char* const kKnownRomsText;\nconst char* const kKnownRomsText = R\"known-roms(${text})known-roms\";\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
else()
  set(old "")
endif()
if(NOT old STREQUAL source)
  file(WRITE "${OUT}" "${source}")
endif()
