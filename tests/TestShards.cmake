# GoogleTest binaries as a few in-process shards rather than one process per test: starting the
# binary (its libraries, HDF5's drivers among them) costs more than most of its tests take.
#
# quorvel_add_test_shards(TARGET target NAME name SHARDS n [OWN_PROCESS suite...]
#                         [ENVIRONMENT var=value...])
#
# registers name-1-of-n ... name-n-of-n, each running every n-th test of target in one process
# (GoogleTest's own sharding) and printing only the tests that fail. The tests of the OWN_PROCESS
# suites start child processes or change what a whole process shares, so each of them keeps a
# process of its own under its GoogleTest name (`ctest -R CommandLineFileFaults`). One test of a
# shard runs alone as `build/target --gtest_filter=Suite.Name`.
include(GoogleTest)

function(quorvel_add_test_shards)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "TARGET;NAME;SHARDS" "OWN_PROCESS;ENVIRONMENT")
  set(patterns)
  foreach(suite IN LISTS arg_OWN_PROCESS)
    # A parameterised suite's tests are named Prefix/Suite.Name/Parameter.
    list(APPEND patterns "${suite}.*" "*/${suite}.*")
  endforeach()
  list(JOIN patterns ":" ownProcess)
  set(sharded "*")
  if(ownProcess)
    set(sharded "*-${ownProcess}")
  endif()
  math(EXPR last "${arg_SHARDS} - 1")
  foreach(index RANGE ${last})
    math(EXPR number "${index} + 1")
    set(name "${arg_NAME}-${number}-of-${arg_SHARDS}")
    set(environment ${arg_ENVIRONMENT} GTEST_TOTAL_SHARDS=${arg_SHARDS} GTEST_SHARD_INDEX=${index})
    add_test(NAME ${name} COMMAND ${arg_TARGET} --gtest_brief=1 "--gtest_filter=${sharded}")
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}")
  endforeach()
  if(NOT ownProcess)
    return()
  endif()
  gtest_discover_tests(${arg_TARGET} TEST_FILTER "${ownProcess}" TEST_LIST ${arg_TARGET}_ownProcess
    DISCOVERY_TIMEOUT 60)
  # The discovered tests' environment, set by a file ctest reads after the discovered list:
  # gtest_discover_tests passes its properties on element by element, which splits a list of
  # several variables.
  if(arg_ENVIRONMENT)
    set(file ${CMAKE_CURRENT_BINARY_DIR}/${arg_TARGET}_environment.cmake)
    file(WRITE ${file} "if(${arg_TARGET}_ownProcess)\n"
      "  set_tests_properties(\${${arg_TARGET}_ownProcess} PROPERTIES ENVIRONMENT [==[${arg_ENVIRONMENT}]==])\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
  endif()
endfunction()
