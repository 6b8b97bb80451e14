# The resource map belongs to the game.
foreach(target ${fuzz_name}_fuzzer ${fuzz_name}_replay)
  if(TARGET ${target})
    target_link_libraries(${target} PRIVATE om_game)
  endif()
endforeach()
