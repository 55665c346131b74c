# Drops the files of the other platform from the list: those whose names end
# in _posix<ending> on Windows, in _windows<ending> elsewhere.
function(nolt_keep_this_platform list ending)
  string(REPLACE "." "\\." ending "${ending}")
  if(WIN32)
    list(FILTER ${list} EXCLUDE REGEX "_posix${ending}$")
  else()
    list(FILTER ${list} EXCLUDE REGEX "_windows${ending}$")
  endif()
  set(${list} ${${list}} PARENT_SCOPE)
endfunction()

# One static library per source folder: every *.cpp of the folder (with
# RECURSE, of its sub-folders too), minus the files of the other platform,
# the program entry and the files named after EXCLUDE (a folder split into
# two libraries).
function(nolt_library name)
  cmake_parse_arguments(ARG "RECURSE" "" "DEPS;EXCLUDE" ${ARGN})
  if(ARG_RECURSE)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  nolt_keep_this_platform(sources ".cpp")
  if(NOT sources)
    # A folder that has only headers so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# One test executable per folder of tests/unit (and one for integration).
# Each test is a CTest entry of its own with its own time-out, so that a test
# that hangs fails alone and by name. A cross build lists and runs the tests
# through the emulator (Wine) when CTest runs, since the emulator's prefix is
# made only then; a Windows process costs Wine about 0.2 s to start.
# ONE_AT_A_TIME: the tests share state of the machine (the service manager,
# COM registration) and must not run beside each other; LOCK names that state
# when tests of other executables share it too (the executable's name otherwise).
# PREFIX goes before every test name (two executables built from the same
# test sources); LABELS are given to every test.
function(nolt_test_executable name sources)
  cmake_parse_arguments(ARG "ONE_AT_A_TIME" "LOCK;PREFIX" "DEPS;LABELS" ${ARGN})
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest_main)
  set(properties TIMEOUT 120)
  if(ARG_LABELS)
    list(APPEND properties LABELS ${ARG_LABELS})
  endif()
  if(ARG_ONE_AT_A_TIME)
    if(NOT ARG_LOCK)
      set(ARG_LOCK ${name})
    endif()
    list(APPEND properties RESOURCE_LOCK ${ARG_LOCK})
  endif()
  set(discovery DISCOVERY_TIMEOUT 60)
  if(CMAKE_CROSSCOMPILING)
    set(discovery DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
  endif()
  if(ARG_PREFIX)
    list(APPEND discovery TEST_PREFIX ${ARG_PREFIX})
  endif()
  gtest_discover_tests(${name} ${discovery} PROPERTIES ${properties})
endfunction()
