# Manual pages of the three programs, made at build time by help2man from the built
# programs' own --help and --version, so that they never disagree with the programs.
# Running the programs needs a native, plain build: cross and sanitizer builds (whose
# runtimes may fail a program at exit) go without, as do machines without help2man.
find_program(HELP2MAN help2man)
option(KITROSTER_MAN_PAGES "Make and install the manual pages (needs help2man)" ON)
if(NOT KITROSTER_MAN_PAGES OR NOT HELP2MAN OR CMAKE_CROSSCOMPILING OR KITROSTER_SANITIZE
   OR KITROSTER_BUILD_FUZZ)
    message(STATUS "Manual pages: not made (switched off, help2man missing, or a cross, "
                   "sanitizer or fuzz build)")
    return()
endif()

set(_man_folder ${PROJECT_BINARY_DIR}/man)
file(MAKE_DIRECTORY ${_man_folder})
set(_man_epoch)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(_man_epoch $ENV{SOURCE_DATE_EPOCH})
elseif(KITROSTER_RELEASE_EPOCH)
    set(_man_epoch ${KITROSTER_RELEASE_EPOCH})
endif()
set(_man_environment KITROSTER_LOG=off KITROSTER_REGISTRY=${_man_folder}/registry.db)
if(_man_epoch)
    list(APPEND _man_environment SOURCE_DATE_EPOCH=${_man_epoch})
endif()

# kitroster_man_page(TARGET COMPONENT SUMMARY [INCLUDE...]): <target>.1.gz, installed with
# the component. packaging/<target>.h2m adds the sections --help cannot give (exit status,
# environment); each INCLUDE is a further help2man include file made by the build.
function(kitroster_man_page target component summary)
    set(page ${_man_folder}/${target}.1)
    set(sections ${ARGN} ${PROJECT_SOURCE_DIR}/packaging/${target}.h2m)
    list(TRANSFORM sections PREPEND "--include=" OUTPUT_VARIABLE includes)
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E env ${_man_environment}
                ${HELP2MAN} -N --no-discard-stderr -s 1 -n ${summary} ${includes}
                -o ${page} $<TARGET_FILE:${target}>
        COMMAND gzip -9nf ${page}
        DEPENDS ${target} ${sections}
        COMMENT "Writing the manual page of ${target}"
        VERBATIM)
    add_custom_target(${target}-man ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()

# kitroster's page documents every command with that command's own --help.
set(_commands ${_man_folder}/kitroster-commands.h2m)
add_custom_command(OUTPUT ${_commands}
    COMMAND ${CMAKE_COMMAND} -E env ${_man_environment}
            bash ${PROJECT_SOURCE_DIR}/packaging/man-commands.sh $<TARGET_FILE:kitroster> ${_commands}
    DEPENDS kitroster ${PROJECT_SOURCE_DIR}/packaging/man-commands.sh
    COMMENT "Collecting the commands of kitroster for its manual page"
    VERBATIM)
kitroster_man_page(kitroster kitroster "browse and change the recording resource catalogue"
                   ${_commands})
kitroster_man_page(kitroster-profile kitroster
                   "write the profile edition library's embedded resources to files")
kitroster_man_page(kitroster-manager manager
                   "edit the recording resource catalogue in its dialogs")
