# The assessment program's script surface: its own code, and the generator and run it shares
# with the game's target.
foreach(target ${fuzz_name}_fuzzer ${fuzz_name}_replay)
  if(TARGET ${target})
    target_link_libraries(${target} PRIVATE om_assessment)
    target_sources(${target} PRIVATE support/BoundedHost.cpp support/HostileWords.cpp
                   support/ScriptSurface.cpp support/SurfaceContent.cpp support/SurfaceRun.cpp
                   support/SurfaceScript.cpp support/SurfaceSweep.cpp)
  endif()
endforeach()
