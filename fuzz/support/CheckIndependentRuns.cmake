# Replays a script surface target's inputs forwards, then backwards, each way in a process of
# its own with OM_FUZZ_RECORD set, and fails unless every input leaves the same record both
# ways. The first input of each way runs with nothing before it but the set-up that runs
# share, every other after other runs: a state that one run leaves to the next shows.
#   cmake -DREPLAY=<replay program> -DRECORDS=<folder> "-DINPUTS=<folder>;<folder>..."
#         -P CheckIndependentRuns.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT REPLAY OR NOT RECORDS OR NOT INPUTS)
  message(FATAL_ERROR "usage: cmake -DREPLAY=... -DRECORDS=... -DINPUTS=... -P "
                      "CheckIndependentRuns.cmake")
endif()

set(inputs)
foreach(folder ${INPUTS})
  file(GLOB found LIST_DIRECTORIES false ${folder}/*)
  list(FILTER found EXCLUDE REGEX "/\\.[^/]*$")
  list(SORT found)
  list(APPEND inputs ${found})
endforeach()
list(LENGTH inputs count)
if(count LESS 2)
  message(FATAL_ERROR "fewer than two inputs in ${INPUTS}")
endif()

file(MAKE_DIRECTORY ${RECORDS})
set(ENV{OM_HOST} headless)
function(replay way)
  set(file ${RECORDS}/${way}.txt)
  file(REMOVE ${file})
  set(ENV{OM_FUZZ_RECORD} ${file})
  execute_process(COMMAND ${REPLAY} ${ARGN} RESULT_VARIABLE status OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the ${way} replay failed (${status})")
  endif()
  file(STRINGS ${file} lines)
  list(SORT lines)
  set(${way} ${lines} PARENT_SCOPE)
endfunction()

replay(forwards ${inputs})
list(REVERSE inputs)
replay(backwards ${inputs})

list(LENGTH forwards recorded)
if(NOT recorded EQUAL count)
  message(FATAL_ERROR "${recorded} records of ${count} inputs")
endif()
# The lines of one way that the other way lacks, each after the way's name.
function(lines_missing_in other way)
  foreach(line ${${way}})
    list(FIND ${other} "${line}" at)
    if(at EQUAL -1)
      string(APPEND differ "\n  ${way}: ${line}")
    endif()
  endforeach()
  set(differ "${differ}" PARENT_SCOPE)
endfunction()

set(differ)
lines_missing_in(backwards forwards)
lines_missing_in(forwards backwards)
if(differ)
  message(FATAL_ERROR "inputs whose record depends on the runs before them:${differ}")
endif()
message(STATUS "${count} inputs, each with the same record after other runs and before them")
