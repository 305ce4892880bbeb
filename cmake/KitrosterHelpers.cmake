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

# kitroster_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [ENVIRONMENT VAR=value ...])
# One GoogleTest executable; every test case is registered with ctest. ENVIRONMENT adds
# variables to the environment its cases run in.
function(kitroster_add_test)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
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
    set(environment "KITROSTER_REGISTRY=${state}/registry.db" ${T_ENVIRONMENT})
    # One property value: its list separators must survive three rounds of list
    # expansion on the way through the discovery script, hence the escaping.
    list(JOIN environment "\\\\\\\\\\\\\\;" environment)
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS "${T_LABELS}"
        ENVIRONMENT "${environment}")
endfunction()

# Shared by the two below: a library of kind KIND with hidden visibility whose dependencies
# are named downward only (DEPENDS: other targets of the tree, public; PRIVATE_DEPENDS:
# what only its sources use).
function(_kitroster_add_layer_library KIND)
    cmake_parse_arguments(L "" "NAME" "SOURCES;DEPENDS;PRIVATE_DEPENDS" ${ARGN})
    add_library(${L_NAME} ${KIND} ${L_SOURCES})
    # Installed headers keep their folder paths below include/kitroster.
    target_include_directories(${L_NAME} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
                               $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/kitroster>)
    target_link_libraries(${L_NAME} PUBLIC ${L_DEPENDS} PRIVATE ${L_PRIVATE_DEPENDS})
    set_target_properties(${L_NAME} PROPERTIES CXX_VISIBILITY_PRESET hidden
                          VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# kitroster_add_part(NAME name SOURCES ... [DEPENDS ...] [PRIVATE_DEPENDS ...])
# One folder of the main library: an object library, assembled into libKitroster.so and
# into the static KitrosterForTests that tests, benchmarks and fuzz targets link to reach
# the internals.
function(kitroster_add_part)
    _kitroster_add_layer_library(OBJECT ${ARGN})
    cmake_parse_arguments(P "" "NAME" "" ${ARGN})
    set_property(GLOBAL APPEND PROPERTY KITROSTER_PARTS ${P_NAME})
endfunction()

# kitroster_add_component(NAME name SOURCES ... [DEPENDS ...] [PRIVATE_DEPENDS ...])
# One outside component (platform/<folder>): its own small shared library, installed
# beside libKitroster.so and exported with it, since its users call it directly.
function(kitroster_add_component)
    _kitroster_add_layer_library(SHARED ${ARGN})
    cmake_parse_arguments(C "" "NAME" "" ${ARGN})
    kitroster_install_library(${C_NAME} COMPONENT kitroster EXPORT)
    set_property(GLOBAL APPEND PROPERTY KITROSTER_COMPONENTS ${C_NAME})
endfunction()

# kitroster_install_library(target COMPONENT package [EXPORT] [NO_NAMELINK] [DESTINATION dir])
# A shared library of a package: SOVERSION 1, installed to DESTINATION (default the
# multiarch library folder) with its links (NO_NAMELINK: without the unversioned one, for a
# library nothing outside builds against), part of the package's shlibs file when it sits
# in the library folder, and of the CMake package when EXPORT is given.
function(kitroster_install_library target)
    cmake_parse_arguments(I "EXPORT;NO_NAMELINK" "COMPONENT;DESTINATION" "" ${ARGN})
    set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION 1)
    set(export)
    if(I_EXPORT)
        set(export EXPORT KitrosterTargets)
    endif()
    set(destination ${CMAKE_INSTALL_LIBDIR})
    if(I_DESTINATION)
        set(destination ${I_DESTINATION})
    else()
        # Only libraries in the linker's folder are for other packages to link.
        set_property(GLOBAL APPEND PROPERTY KITROSTER_SHLIBS_${I_COMPONENT} ${target})
    endif()
    set(namelink NAMELINK_COMPONENT ${I_COMPONENT})
    if(I_NO_NAMELINK)
        set(namelink NAMELINK_SKIP)
    endif()
    install(TARGETS ${target} ${export}
            LIBRARY DESTINATION ${destination} COMPONENT ${I_COMPONENT} ${namelink})
endfunction()
