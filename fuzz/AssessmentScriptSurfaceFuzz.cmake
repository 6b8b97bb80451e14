# The assessment program's script surface: its own code, and what it shares with the game's
# target.
set(surface_program om_assessment)
include(${CMAKE_CURRENT_SOURCE_DIR}/support/SurfaceTarget.cmake)
