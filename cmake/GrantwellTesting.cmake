find_package(Qt6 6.4 REQUIRED COMPONENTS Core Test)

# grantwell_add_test(NAME SOURCES src... [LIBS lib...] [DEFINITIONS def...])
# One Qt Test executable registered with CTest under its own name.
function(grantwell_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;DEFINITIONS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE Grantwell::options Qt6::Test ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE ${ARG_DEFINITIONS})
  # GCC 12 misreads std::optional members of the scripted platforms as
  # uninitialised once inlined into the Qt Test slots.
  target_compile_options(${name} PRIVATE -Wno-maybe-uninitialized)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1"
    TIMEOUT 300)
endfunction()
