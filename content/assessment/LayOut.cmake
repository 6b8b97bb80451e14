# Lays the assessment demo's folders out (cmake -P):
#   -DSCRIPTS=<folder of .mps files> -DRSC=<files for "PRsc\", ;-separated>
#   -DDESCRIPTOR=<PLSDescriptor.txt> -DWORK=<work folder> -DINSTALL=<install folder>
#   -DREGISTRY=<registry file> -DRECORDER=<the stand-in main program> -DRECORDED=<its log>
# The work folder gets "PLSDescriptor.txt" and "users\" and keeps what the program wrote there;
# the install folder gets "PScripts\" with CR LF line ends and "PRsc\"; the registry file
# names the install folder ("MarlovinDir") and the main program's command line ("MainExe").
cmake_minimum_required(VERSION 3.20)
foreach(setting SCRIPTS RSC DESCRIPTOR WORK INSTALL REGISTRY RECORDER RECORDED)
  if(NOT DEFINED ${setting})
    message(FATAL_ERROR "LayOut.cmake needs -D${setting}=...")
  endif()
endforeach()

function(copy_with_crlf from to)
  file(READ "${from}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE "${to}" "${text}")
endfunction()

file(MAKE_DIRECTORY "${WORK}/users" "${INSTALL}/PScripts" "${INSTALL}/PRsc")
copy_with_crlf("${DESCRIPTOR}" "${WORK}/PLSDescriptor.txt")
file(GLOB old_scripts "${INSTALL}/PScripts/*")
if(old_scripts)
  file(REMOVE ${old_scripts})
endif()
file(GLOB scripts "${SCRIPTS}/*.mps")
foreach(script ${scripts})
  get_filename_component(name "${script}" NAME)
  copy_with_crlf("${script}" "${INSTALL}/PScripts/${name}")
endforeach()
file(COPY ${RSC} DESTINATION "${INSTALL}/PRsc")

# Host paths as the program sees them: on drive C:, backslashes, doubled in the file's quotes.
function(windows_path host out)
  string(REPLACE "/" "\\\\" path "${host}")
  set(${out} "C:${path}" PARENT_SCOPE)
endfunction()
windows_path("${INSTALL}" install_path)
windows_path("${RECORDER}" recorder_path)
set(key "HKEY_LOCAL_MACHINE\\SOFTWARE\\Bramblewick\\Demo")
file(WRITE "${REGISTRY}"
  "; The assessment demo's install, as its installer would register it.\n\n"
  "[${key}\\MarlovinDir]\n@=\"${install_path}\"\n\n"
  "[${key}\\MainExe]\n@=\"${recorder_path} ${RECORDED}\"\n")
