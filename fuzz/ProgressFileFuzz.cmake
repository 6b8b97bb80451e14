# The progress file belongs to the assessment program.
foreach(target ${fuzz_name}_fuzzer ${fuzz_name}_replay)
  if(TARGET ${target})
    target_link_libraries(${target} PRIVATE om_assessment)
  endif()
endforeach()
