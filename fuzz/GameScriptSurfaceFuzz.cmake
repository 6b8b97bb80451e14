# The game's script surface: the game's own code, and what it shares with the assessment
# program's target.
set(surface_program om_game)
include(${CMAKE_CURRENT_SOURCE_DIR}/support/SurfaceTarget.cmake)
