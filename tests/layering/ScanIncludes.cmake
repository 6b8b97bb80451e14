# The layering rules, checked over every include of the sources:
#   cmake -DROOT=<source tree> -P ScanIncludes.cmake         fails on a broken rule
#   cmake -DPLANT=1 -P ScanIncludes.cmake                    plants a bad include in a
#                                                            temporary tree and fails unless
#                                                            the scan catches it
# Engine files (framework, trinkets, programs) never include the platform's internals
# (platform/src, platform/host) nor a host library (SDL, FreeType, FFmpeg, libpng); the platform's
# internals never include the engine; the drawing layer (gdi) never includes the window layer
# (user); the hosts never include the platform's internals.
cmake_minimum_required(VERSION 3.20)

# Each rule: a folder (relative to the root), then a regular expression of forbidden includes.
set(engine_folders framework trinkets/src trinkets/lib game assessment/src setup)
set(engine_forbidden
    "^(platform/src/|platform/host/|SDL|ft2build|freetype|FT_|libav|libsw|png|cairo)")
set(rules)
foreach(folder ${engine_folders})
  list(APPEND rules "${folder}|${engine_forbidden}")
endforeach()
list(APPEND rules
     "platform/src|^(framework/|trinkets/|game/|assessment/|setup/)"
     "platform/src/gdi|^platform/src/user/"
     "platform/host|^platform/src/")

# Answers in ${out} the broken rules under ${root}, one line each.
function(scan root out)
  set(found)
  foreach(rule ${rules})
    string(REPLACE "|" ";" parts "${rule}")
    list(GET parts 0 folder)
    list(SUBLIST parts 1 -1 pattern)
    list(JOIN pattern "|" pattern)
    if(NOT IS_DIRECTORY "${root}/${folder}")
      continue()
    endif()
    file(GLOB_RECURSE sources "${root}/${folder}/*.cpp" "${root}/${folder}/*.h"
         "${root}/${folder}/*.c" "${root}/${folder}/*.hpp")
    foreach(source ${sources})
      file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include")
      foreach(line ${lines})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" included
                             "${line}")
        if(included MATCHES "${pattern}")
          file(RELATIVE_PATH shown "${root}" "${source}")
          list(APPEND found "${shown}: ${included}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

if(PLANT)
  string(RANDOM LENGTH 10 tag)
  set(base "$ENV{TMPDIR}")
  if(base STREQUAL "")
    set(base "/tmp")
  endif()
  set(root "${base}/om-layering-${tag}")
  file(WRITE "${root}/framework/Planted.cpp"
       "#include <windows.h>\n#include \"framework/OMList.h\"\n#include \"platform/src/gdi/Screen.h\"\n")
  file(WRITE "${root}/platform/src/gdi/Fine.cpp" "#include \"platform/src/gdi/Screen.h\"\n")
  scan("${root}" found)
  file(REMOVE_RECURSE "${root}")
  list(LENGTH found count)
  if(NOT count EQUAL 1 OR NOT found MATCHES "framework/Planted.cpp: platform/src/gdi/Screen.h")
    message(FATAL_ERROR "the planted include was not caught exactly: '${found}'")
  endif()
  message(STATUS "caught: ${found}")
  return()
endif()

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source tree> -P ScanIncludes.cmake")
endif()
scan("${ROOT}" found)
if(found)
  list(JOIN found "\n  " shown)
  message(FATAL_ERROR "includes that break the layering:\n  ${shown}")
endif()
message(STATUS "layering: no include breaks the rules")
