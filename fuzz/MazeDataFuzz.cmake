# The maze belongs to the game; its seeds are mazes written by the tests' maze writer, and a
# document nested 100,000 deep.
foreach(target ${fuzz_name}_fuzzer ${fuzz_name}_replay)
  if(TARGET ${target})
    target_link_libraries(${target} PRIVATE om_game)
  endif()
endforeach()
add_executable(make_maze_seeds support/MakeMazeSeeds.cpp)
target_include_directories(make_maze_seeds PRIVATE ${PROJECT_SOURCE_DIR})
set(maze_seeds ${seed_root}/${fuzz_name})
add_custom_command(OUTPUT ${maze_seeds}/.made
  COMMAND make_maze_seeds ${maze_seeds}
  COMMAND ${CMAKE_COMMAND} -E touch ${maze_seeds}/.made
  DEPENDS make_maze_seeds
  COMMENT "Making maze seeds")
add_custom_target(om_maze_seeds DEPENDS ${maze_seeds}/.made)
add_dependencies(om_fuzz_seeds om_maze_seeds)
