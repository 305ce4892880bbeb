# Adds each listed folder that has a CMakeLists.txt, so that a subsystem joins the build
# by creating its folder and no shared build file needs editing.
function(kitroster_add_subdirectories)
    foreach(dir IN LISTS ARGN)
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
            add_subdirectory(${dir})
        endif()
    endforeach()
endfunction()

# Adds every immediate child folder that has a CMakeLists.txt.
function(kitroster_add_child_directories)
    file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
         ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT children)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
           AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()

# kitroster_add_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest executable; every test case is registered with ctest.
function(kitroster_add_test)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main
                          Threads::Threads)
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
    # Tests never touch the machine's real configuration: every test process starts with a
    # private registry file in the build tree, and the log file goes beside it (tests that
    # need their own set it again). Discovery runs at ctest time, keeping the build short.
    set(state ${CMAKE_BINARY_DIR}/test-state)
    file(MAKE_DIRECTORY ${state})
    # An empty LABELS value would swallow the next property name, so every test has one.
    if(NOT T_LABELS)
        set(T_LABELS unit)
    endif()
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS "${T_LABELS}"
        ENVIRONMENT "KITROSTER_REGISTRY=${state}/registry.db")
endfunction()

# kitroster_add_part(NAME name SOURCES ... [DEPENDS ...] [PRIVATE_DEPENDS ...])
# One folder of the main library: an object library with hidden visibility whose
# dependencies are named downward only (DEPENDS: other parts and platform components;
# PRIVATE_DEPENDS: outside libraries its sources use). Every part is assembled into
# libKitroster.so and into the static KitrosterForTests that tests, benchmarks and fuzz
# targets link to reach the internals.
function(kitroster_add_part)
    cmake_parse_arguments(P "" "NAME" "SOURCES;DEPENDS;PRIVATE_DEPENDS" ${ARGN})
    add_library(${P_NAME} OBJECT ${P_SOURCES})
    target_include_directories(${P_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${P_NAME} PUBLIC ${P_DEPENDS} PRIVATE ${P_PRIVATE_DEPENDS})
    set_target_properties(${P_NAME} PROPERTIES CXX_VISIBILITY_PRESET hidden
                          VISIBILITY_INLINES_HIDDEN ON)
    set_property(GLOBAL APPEND PROPERTY KITROSTER_PARTS ${P_NAME})
endfunction()

# kitroster_add_component(NAME name SOURCES ... [DEPENDS ...] [PRIVATE_DEPENDS ...])
# One outside component (platform/<folder>): its own small shared library, hidden
# visibility, dependencies named downward only.
function(kitroster_add_component)
    cmake_parse_arguments(C "" "NAME" "SOURCES;DEPENDS;PRIVATE_DEPENDS" ${ARGN})
    add_library(${C_NAME} SHARED ${C_SOURCES})
    target_include_directories(${C_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${C_NAME} PUBLIC ${C_DEPENDS} PRIVATE ${C_PRIVATE_DEPENDS})
    set_target_properties(${C_NAME} PROPERTIES CXX_VISIBILITY_PRESET hidden
                          VISIBILITY_INLINES_HIDDEN ON)
endfunction()
