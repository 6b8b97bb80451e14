# Lays the demo's folders out (cmake -P):
#   -DSCRIPTS=<folder of .mps files> -DRSC=<files for "RSC\", ;-separated> -DWORK=<work folder>
#   -DCD=<CD folder>
# The work folder gets "korvanix.INI" and keeps what the game wrote there (players, log); the
# CD folder gets "scripts\" with CR LF line ends, as content made on Windows has them, and
# "RSC\".
cmake_minimum_required(VERSION 3.20)
foreach(setting SCRIPTS RSC WORK CD)
  if(NOT DEFINED ${setting})
    message(FATAL_ERROR "LayOut.cmake needs -D${setting}=...")
  endif()
endforeach()

file(MAKE_DIRECTORY "${WORK}" "${CD}/scripts" "${CD}/RSC")
file(WRITE "${WORK}/korvanix.INI"
     "[Velmora Trasko Adventures - CD]\r\nCDDrive=D:\\\r\nUseDirectDraw=0\r\nDisplayFullScreen=0\r\n")

file(GLOB old_scripts "${CD}/scripts/*")
if(old_scripts)
  file(REMOVE ${old_scripts})
endif()
file(GLOB scripts "${SCRIPTS}/*.mps")
foreach(script ${scripts})
  get_filename_component(name "${script}" NAME)
  file(READ "${script}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE "${CD}/scripts/${name}" "${text}")
endforeach()

file(COPY ${RSC} DESTINATION "${CD}/RSC")
