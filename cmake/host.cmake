# Host builds: the launcher's code against the OS layer's stand-in, for unit tests,
# fuzz targets and benchmarks.
# Desktop's bridges that are decisions over the API are built in too, for unit tests.
file(GLOB KOL_HOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/host/*.cpp)
list(APPEND KOL_HOST_SOURCES ${CMAKE_SOURCE_DIR}/platform/win32/registry.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/library_search.cpp)

set(KOL_HOST_FLAGS ${KOL_WARNINGS} -g)
if(KOL_SANITIZE OR KOL_FUZZ)
    list(APPEND KOL_HOST_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
if(KOL_FUZZ)
    list(APPEND KOL_HOST_FLAGS -fsanitize=fuzzer-no-link)
endif()

add_library(kol_host STATIC ${KOL_HOST_SOURCES})
target_include_directories(kol_host PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(kol_host PRIVATE ${KOL_HOST_FLAGS})
find_package(Threads REQUIRED)
target_link_libraries(kol_host PUBLIC Threads::Threads)

add_library(kol_product STATIC ${KOL_PRODUCT_SOURCES})
target_include_directories(kol_product PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(kol_product PRIVATE KOL_PRODUCT_CODE)
target_compile_options(kol_product PRIVATE ${KOL_HOST_FLAGS} -fno-exceptions -fno-rtti)
target_link_libraries(kol_product PUBLIC kol_host)

# kolbrand's portable rules, for unit tests and fuzzing; they build on the launcher's parsers.
add_library(kolbrand_rules STATIC ${KOLBRAND_RULES_SOURCES})
target_compile_options(kolbrand_rules PRIVATE ${KOL_HOST_FLAGS})
target_link_libraries(kolbrand_rules PUBLIC kol_product)

if(KOL_FUZZ)
    add_subdirectory(fuzz)
elseif(KOL_BENCH)
    add_subdirectory(bench)
else()
    find_package(GTest REQUIRED)
    file(GLOB KOL_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
    add_executable(kol_unit_tests ${KOL_UNIT_TESTS})
    target_compile_options(kol_unit_tests PRIVATE ${KOL_HOST_FLAGS})
    target_link_libraries(kol_unit_tests PRIVATE kolbrand_rules GTest::gtest GTest::gtest_main)
    target_compile_definitions(kol_unit_tests PRIVATE KOL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    include(GoogleTest)
    # The launcher keeps process-lifetime data on purpose; leaks are not faults here.
    gtest_discover_tests(kol_unit_tests DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT 60 ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")

    # The devices' processor: everything that goes into launcher.exe compiles for 32-bit
    # ARM Windows (compile only: there are no ARM import libraries to link with).
    find_program(KOL_CLANG clang++ REQUIRED)
    set(armSources ${KOL_PRODUCT_SOURCES} ${KOL_DESKTOP_SOURCES})
    string(REPLACE ";" "\n" armSources "${armSources}")
    file(WRITE ${CMAKE_BINARY_DIR}/arm-check-sources.txt "${armSources}\n")
    add_test(NAME arm_compile_check COMMAND ${CMAKE_COMMAND} -DCOMPILER=${KOL_CLANG}
        -DROOT=${CMAKE_SOURCE_DIR} -DSOURCES=${CMAKE_BINARY_DIR}/arm-check-sources.txt
        -P ${CMAKE_SOURCE_DIR}/cmake/arm-check.cmake)

    # The scripts around the tests: which Wine loader starts a program, make test's
    # summary, make deps through an index that can't be fetched.
    find_program(PYTHON3 python3 REQUIRED)
    add_test(NAME tools_test COMMAND ${PYTHON3} ${CMAKE_SOURCE_DIR}/tests/tools_test.py)
endif()
