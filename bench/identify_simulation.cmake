# The simulated measurements of known compounds on which the ion identification
# is judged: a library of the benchmarks, which the tests check as well. Either
# folder may be configured without the other (the sanitizer build has no
# benchmarks, the benchmark build no tests), so each includes this file and the
# first one defines the target.
if(NOT TARGET tarnevo_identify_simulation)
  add_library(tarnevo_identify_simulation STATIC ${PROJECT_SOURCE_DIR}/bench/identify_simulation.cpp)
  target_include_directories(tarnevo_identify_simulation PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(tarnevo_identify_simulation PUBLIC tarnevo_core PRIVATE tarnevo_fine tarnevo_options)
endif()
