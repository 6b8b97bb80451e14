# One headless run of the demo (cmake -P), in a fresh copy of its folders under the temporary
# folder: -DKORVANIX=<program> -DDEMO=<laid-out folder> -DINPUT=<input script>
# -DEXPECTED_LOG=<what debug.txt must hold>. The copy is removed when the run passes and kept
# for inspection when it fails.
cmake_minimum_required(VERSION 3.20)

set(base "$ENV{TMPDIR}")
if(base STREQUAL "")
  set(base "/tmp")
endif()
string(RANDOM LENGTH 10 tag)
set(run "${base}/om-demo-${tag}")
# Only the INI of the work folder: what a `make demo` left there (players, log) stays out.
file(MAKE_DIRECTORY "${run}/work" "${run}/snaps" "${run}/windows")
file(COPY "${DEMO}/work/korvanix.INI" DESTINATION "${run}/work")
file(COPY "${DEMO}/cd" DESTINATION "${run}")

set(faults)
macro(fault text)
  list(APPEND faults "${text}")
endmacro()

# A runtime folder of its own: a `make demo` running meanwhile is not this copy's first copy.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env OM_HOST=headless OM_CLOCK=step:10 "OM_INPUT_SCRIPT=${INPUT}"
          "OM_SNAP_DIR=${run}/snaps" "OM_AUDIO_CAPTURE=${run}/audio.wav" "OM_DRIVE_D=${run}/cd"
          "OM_WINDOWS_DIR=${run}/windows" "XDG_RUNTIME_DIR=${run}" "${KORVANIX}"
  WORKING_DIRECTORY "${run}/work"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  TIMEOUT 240)
message(STATUS "standard output:\n${out}")
if(NOT err STREQUAL "")
  message(STATUS "standard error:\n${err}")
endif()

if(NOT status STREQUAL "0")
  fault("korvanix ended with ${status}")
endif()
if(NOT out MATCHES "(^|\n)snap start [0-9a-f]+\n")
  fault("no \"snap start\" line with its checksum")
endif()
if(NOT EXISTS "${run}/snaps/start.png")
  fault("no start.png")
endif()
file(READ "${EXPECTED_LOG}" expected)
if(EXISTS "${run}/work/debug.txt")
  file(READ "${run}/work/debug.txt" log)
else()
  set(log "(no debug.txt)")
endif()
if(NOT log STREQUAL expected)
  fault("debug.txt holds\n${log}\ninstead of\n${expected}")
endif()
# The sink consumed sound (silence too) all through the run, on the stepping clock.
set(captured 0)
if(EXISTS "${run}/audio.wav")
  file(SIZE "${run}/audio.wav" captured)
endif()
math(EXPR fourSeconds "44 + 44100 * 2 * 4")
if(captured LESS fourSeconds)
  fault("the audio capture holds ${captured} bytes, less than the run's four seconds")
endif()

if(faults)
  list(JOIN faults "\n  " shown)
  message(FATAL_ERROR "the demo run failed (its folders are kept in ${run}):\n  ${shown}")
endif()
file(REMOVE_RECURSE "${run}")
