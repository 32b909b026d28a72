# GoogleTest for every test folder: GTest::gtest and GTest::gtest_main.
#
# By default the installed package (find_package). With CORVANE_GTEST_SOURCE_DIR, GoogleTest
# is built from those sources with this build's compiler — the way to get it for a cross
# target that has no GoogleTest package (MinGW). A test folder may still call
# find_package(GTest): it then finds the targets built here.
if(CORVANE_GTEST_SOURCE_DIR)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${CORVANE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # A package configuration that only says "found", for later find_package(GTest) calls.
  set(corvane_gtest_config_dir ${CMAKE_BINARY_DIR}/googletest-config)
  file(WRITE ${corvane_gtest_config_dir}/GTestConfig.cmake
       "# GoogleTest is built from ${CORVANE_GTEST_SOURCE_DIR} in this build.\n")
  set(GTest_DIR ${corvane_gtest_config_dir} CACHE PATH "" FORCE)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
