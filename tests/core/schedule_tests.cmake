# The schedule arithmetic, the weekday search and a year of simulated launches.
# The Windows build runs them in the zones its C runtime can read.
set(SCHEDULE_SUPPORT ${PROJECT_SOURCE_DIR}/tests/support/core_support.cpp)
orvix_add_test(schedule_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/schedule_test.cpp ${SCHEDULE_SUPPORT} LIBS orvix_core)
orvix_add_test(schedule_next_launch_day_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/next_launch_day_test.cpp ${SCHEDULE_SUPPORT} LIBS orvix_core)
orvix_add_test(schedule_simulation_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/launch_simulation_test.cpp ${SCHEDULE_SUPPORT} LIBS orvix_core)
orvix_add_test(countdown_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/countdown_test.cpp ${SCHEDULE_SUPPORT} LIBS orvix_core)
