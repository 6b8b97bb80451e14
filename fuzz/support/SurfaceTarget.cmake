# A program's script surface target (included by its <Name>.cmake with surface_program set to
# the program's library): the generator and run that both programs' targets share, and the
# suite's check that each input's run does not depend on the runs before it.
foreach(target ${fuzz_name}_fuzzer ${fuzz_name}_replay)
  if(TARGET ${target})
    target_link_libraries(${target} PRIVATE ${surface_program})
    target_sources(${target} PRIVATE support/BoundedHost.cpp support/HostileWords.cpp
                   support/RunRecord.cpp support/ScriptSurface.cpp support/SurfaceContent.cpp
                   support/SurfaceRun.cpp support/SurfaceScript.cpp support/SurfaceSweep.cpp)
  endif()
endforeach()
add_test(NAME ${fuzz_name}_independent_runs
  COMMAND ${CMAKE_COMMAND} -DREPLAY=$<TARGET_FILE:${fuzz_name}_replay>
          -DRECORDS=${CMAKE_CURRENT_BINARY_DIR}/records/${fuzz_name}
          "-DINPUTS=${seed_root}/${fuzz_name};${CMAKE_CURRENT_SOURCE_DIR}/regressions/${fuzz_name}"
          -P ${CMAKE_CURRENT_SOURCE_DIR}/support/CheckIndependentRuns.cmake)
# A run touches most of a program, and the entropic schedule's bookkeeping of so many features
# costs more than the run itself: scripts/run-fuzz passes these flags to the target.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${fuzz_name}.flags "-entropic=0\n")
