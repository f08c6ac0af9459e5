# quorin_library(NAME DIRS dir... [LIBS lib...])
# A static library from every .cpp under the given folders (relative to the current source dir).
# With no source yet it is an interface library, so dependants link either way.
function(quorin_library name)
  cmake_parse_arguments(Q "" "" "DIRS;LIBS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS Q_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp")
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_compile_options(${name} PRIVATE ${QUORIN_WARNINGS})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${Q_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${Q_LIBS})
  endif()
endfunction()

# quorin_test_dir(NAME DIR [LIBS lib...] [EXCLUDE file...] [OWN_MAIN])
# One GoogleTest executable from every .cpp in DIR but the EXCLUDE ones (names relative to DIR);
# OWN_MAIN when the folder brings main().
function(quorin_test_dir name dir)
  cmake_parse_arguments(Q "OWN_MAIN" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp")
  foreach(skip IN LISTS Q_EXCLUDE)
    list(REMOVE_ITEM sources "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/${skip}")
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_compile_options(${name} PRIVATE ${QUORIN_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # Fixtures find checked-in files and build outputs through these.
  target_compile_definitions(${name} PRIVATE QUORIN_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QUORIN_TEST_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(Q_OWN_MAIN)
    target_link_libraries(${name} PRIVATE ${Q_LIBS} GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${Q_LIBS} GTest::gtest_main GTest::gmock)
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               LABELS ${name}
    DISCOVERY_TIMEOUT 60)
endfunction()

# quorin_e2e_harness()
# The library that drives the built program under Xvfb (tests/e2e/Harness.cpp), defined once for
# the end-to-end tests and the start-up benchmark: xcb tells when a window goes, xcb-damage when
# it drew.
function(quorin_e2e_harness)
  if(TARGET quorin_e2e_harness)
    return()
  endif()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(XCB REQUIRED IMPORTED_TARGET GLOBAL xcb xcb-damage)
  add_library(quorin_e2e_harness STATIC ${PROJECT_SOURCE_DIR}/tests/e2e/Harness.cpp)
  target_compile_options(quorin_e2e_harness PRIVATE ${QUORIN_WARNINGS})
  target_include_directories(quorin_e2e_harness PUBLIC ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(quorin_e2e_harness PUBLIC PkgConfig::XCB)
endfunction()
