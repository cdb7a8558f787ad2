# How CTest runs a GoogleTest program's tests. By default each test is a
# CTest test of its own, in a process of its own (gtest_discover_tests).
# With RX_TEST_SHARDS on, each program's tests run instead in a few shards,
# a process each (GoogleTest's own sharding): every test still runs, and a
# failing one is named in its shard's output, but a process is started a
# few times a program rather than once a test. Under AddressSanitizer each
# start costs about a third of a second of processor time, some 400 s over
# the suite (docs/performance.md, "The CI run"); scripts/test shards its
# sanitized suite.
option(RX_TEST_SHARDS "Run each test program's tests in a few processes (shards), not a process a test" OFF)
set(RX_DEFAULT_SHARDS 4)

# rx_discover_tests(TARGET [SHARDS N] [A_PROCESS_EACH] gtest_discover_tests
# arguments...): the tests of TARGET, discovered one a CTest test, or in N
# shards (the default RX_DEFAULT_SHARDS) named PREFIX<target>/<i>of<N>. Of
# the discovery's arguments the shards take TEST_PREFIX, TEST_FILTER and
# PROPERTIES. A_PROCESS_EACH: the tests need a process each (they set up
# what Qt keeps for the whole process, such as its D-Bus connections), and
# are never sharded.
function(rx_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "NO_PRETTY_VALUES;A_PROCESS_EACH"
    "SHARDS;TEST_PREFIX;TEST_FILTER;DISCOVERY_TIMEOUT" "PROPERTIES")
  if(NOT RX_TEST_SHARDS OR arg_A_PROCESS_EACH)
    set(discover ${target})
    foreach(key TEST_PREFIX TEST_FILTER DISCOVERY_TIMEOUT)
      if(DEFINED arg_${key})
        list(APPEND discover ${key} "${arg_${key}}")
      endif()
    endforeach()
    if(arg_NO_PRETTY_VALUES)
      list(APPEND discover NO_PRETTY_VALUES)
    endif()
    gtest_discover_tests(${discover} PROPERTIES ${arg_PROPERTIES})
    return()
  endif()

  set(shards ${RX_DEFAULT_SHARDS})
  if(arg_SHARDS)
    set(shards ${arg_SHARDS})
  endif()
  # The properties as KEY VALUE... groups: an ENVIRONMENT value may hold
  # several variables, which arrive as list items of their own.
  set(env "")
  set(other "")
  set(key "")
  foreach(item ${arg_PROPERTIES})
    if(item MATCHES "^[A-Z_]+$")
      set(key ${item})
    elseif(key STREQUAL "ENVIRONMENT")
      list(APPEND env "${item}")
    else()
      list(APPEND other ${key} "${item}")
    endif()
  endforeach()
  if(arg_TEST_FILTER)
    list(APPEND env "GTEST_FILTER=${arg_TEST_FILTER}")
  endif()
  math(EXPR last "${shards} - 1")
  foreach(index RANGE ${last})
    math(EXPR number "${index} + 1")
    set(name "${arg_TEST_PREFIX}${target}/${number}of${shards}")
    add_test(NAME ${name} COMMAND ${target})
    set_property(TEST ${name} PROPERTY ENVIRONMENT ${env} GTEST_TOTAL_SHARDS=${shards} GTEST_SHARD_INDEX=${index})
    if(other)
      set_tests_properties(${name} PROPERTIES ${other})
    endif()
  endforeach()
endfunction()
