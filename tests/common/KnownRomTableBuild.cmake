# The known-dump table of the build: made from the project's own list, and refused, with a
# message, when the list is missing or names no dump; a project configured with no list fails.
# Run with -DSOURCE=<project> -DWORK=<scratch folder> [-DGENERATOR=<generator>] -P this file.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(script "${SOURCE}/cmake/KnownRomTable.cmake")
set(failures "")

function(expect_refused what in pattern)
  execute_process(COMMAND ${CMAKE_COMMAND} -DIN=${in} -DOUT=${WORK}/out.cpp -P ${script}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(rc EQUAL 0 OR NOT err MATCHES "${pattern}")
    set(failures "${failures}\n${what}: exit ${rc}, message: ${err}" PARENT_SCOPE)
  endif()
  if(EXISTS "${WORK}/out.cpp")
    set(failures "${failures}\n${what}: a table was written" PARENT_SCOPE)
    file(REMOVE "${WORK}/out.cpp")
  endif()
endfunction()

expect_refused("missing list" "${WORK}/none.tsv" "none.tsv[ \n]+is[ \n]+missing")
expect_refused("no list given" "" "No list of known ROM[ \n]+dumps")
file(WRITE "${WORK}/empty.tsv" "")
expect_refused("empty list" "${WORK}/empty.tsv" "names[ \n]+no[ \n]+dump")
file(WRITE "${WORK}/header.tsv" "# comment only\nname\tsize\tsha1\tcrc32\tkind\tmodel\n")
expect_refused("header only" "${WORK}/header.tsv" "names[ \n]+no[ \n]+dump")

# The project's own list makes a table that holds it.
execute_process(COMMAND ${CMAKE_COMMAND} -DIN=${SOURCE}/common/data/known-roms.tsv -DOUT=${WORK}/own.cpp -P ${script}
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT EXISTS "${WORK}/own.cpp")
  set(failures "${failures}\nthe project's list: exit ${rc}, ${err}")
else()
  file(READ "${WORK}/own.cpp" own)
  if(NOT own MATCHES "monit2A.rom\t4096\td0fd481ae4a9475c50408bb8a190c423984f56b0")
    set(failures "${failures}\nthe project's list: the PMD 85-2A monitor is not in the table")
  endif()
endif()

# Configuring the project with no list stops with the message (before anything is built).
set(gen_args "")
if(GENERATOR)
  set(gen_args -G "${GENERATOR}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/configured ${gen_args}
    -DORVIK_BUILD_QT=OFF -DORVIK_KNOWN_ROM_TABLE=${WORK}/none.tsv
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc EQUAL 0 OR NOT err MATCHES "none.tsv[ \n]+is[ \n]+missing")
  set(failures "${failures}\nconfigured with no list: exit ${rc}, message: ${err}")
endif()

file(REMOVE_RECURSE "${WORK}")
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "known-dump table: refused without a list, made from the project's own")
