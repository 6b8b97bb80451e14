# The game's script surface: the game's own code, and the generator and run it shares with the
# assessment program's target.
foreach(target ${fuzz_name}_fuzzer ${fuzz_name}_replay)
  if(TARGET ${target})
    target_link_libraries(${target} PRIVATE om_game)
    target_sources(${target} PRIVATE support/BoundedHost.cpp support/HostileWords.cpp
                   support/ScriptSurface.cpp support/SurfaceContent.cpp support/SurfaceRun.cpp
                   support/SurfaceScript.cpp support/SurfaceSweep.cpp)
  endif()
endforeach()
