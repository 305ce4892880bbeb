# What `cmake --install` puts on a machine besides the targets' own rules (libraries and
# programs install where they are defined): the headers, the CMake and pkg-config files,
# the PAM service, the bash completion, the manual pages and the package documents.
# Included from the top-level CMakeLists.txt once every target exists.
include(CMakePackageConfigHelpers)

set(KITROSTER_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Kitroster)
set(_packaging ${PROJECT_SOURCE_DIR}/packaging)

# Headers of the library floors, below include/kitroster with their folder paths, so that
# `#include "catalogue/Kitroster.h"` works with -I<prefix>/include/kitroster. Left out: the
# Qt backend (it ships with the window program and needs Qt), code in no installed library
# (the profile database generator, the ping probes inside libZRPing), and the store's
# SQLite layer, which only the store's own sources include.
set(_header_floors base platform resources common catalogue video sync dialog_framework
                   editor_ui manager_ui)
set(_private_headers
    "^dialog_framework/qt/"
    "^resources/profile_db/"
    "^platform/registry/RegistryDb\\.h$"
    "^platform/zrping/(HostResolver|IcmpProbe|PingProbe|PingProber|TcpConnectProbe)\\.h$")
list(JOIN _private_headers "|" _private_headers)
foreach(floor IN LISTS _header_floors)
    file(GLOB_RECURSE _headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
         ${PROJECT_SOURCE_DIR}/${floor}/*.h)
    list(FILTER _headers EXCLUDE REGEX "${_private_headers}")
    foreach(header IN LISTS _headers)
        get_filename_component(folder ${header} DIRECTORY)
        install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kitroster/${folder}
                COMPONENT kitroster)
    endforeach()
endforeach()

# find_package(Kitroster): the exported targets, relocatable (paths from the file's place).
install(EXPORT KitrosterTargets NAMESPACE Kitroster:: DESTINATION ${KITROSTER_CMAKE_DIR}
        COMPONENT kitroster)
configure_package_config_file(${_packaging}/KitrosterConfig.cmake.in
    ${PROJECT_BINARY_DIR}/KitrosterConfig.cmake INSTALL_DESTINATION ${KITROSTER_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KitrosterConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KitrosterConfig.cmake
              ${PROJECT_BINARY_DIR}/KitrosterConfigVersion.cmake
        DESTINATION ${KITROSTER_CMAKE_DIR} COMPONENT kitroster)

# pkg-config: the main library and the components its users call (CString, the store...).
set(KITROSTER_PC_LIBS -lKitroster)
foreach(component IN LISTS kitroster_components)
    string(APPEND KITROSTER_PC_LIBS " -l${component}")
endforeach()
configure_file(${_packaging}/kitroster.pc.in ${PROJECT_BINARY_DIR}/kitroster.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kitroster.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT kitroster)

# The PAM service that checks stored credentials. With the prefix /usr the system folder is
# /etc, where PAM reads it; other prefixes get it below their own etc for the administrator
# to copy.
set(KITROSTER_PAM_FILE ${CMAKE_INSTALL_FULL_SYSCONFDIR}/pam.d/kitroster)
install(FILES ${PROJECT_SOURCE_DIR}/examples/pam/kitroster
        DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/pam.d COMPONENT kitroster)

# Bash completion, named after the command (bash-completion loads it on first use).
install(FILES ${_packaging}/kitroster.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kitroster
        COMPONENT kitroster)

# Every package carries its copyright file and the changelog in Debian format, compressed
# without name or time stamp so that the bytes depend on the text only.
set(_changelog_gz ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${_changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E copy ${_packaging}/changelog ${PROJECT_BINARY_DIR}/packaging/changelog
    COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/packaging/changelog
    DEPENDS ${_packaging}/changelog
    COMMENT "Compressing the package changelog"
    VERBATIM)
add_custom_target(kitroster-changelog ALL DEPENDS ${_changelog_gz})
foreach(package IN ITEMS kitroster kitroster-manager)
    set(component kitroster)
    if(package STREQUAL "kitroster-manager")
        set(component manager)
    endif()
    install(FILES ${_packaging}/copyright ${_changelog_gz}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kitroster
        COMPONENT kitroster)

# The changelog's newest entry dates the release: manual pages are stamped with it unless
# SOURCE_DATE_EPOCH says otherwise, so that two builds of one version give the same bytes.
find_program(DPKG_PARSECHANGELOG dpkg-parsechangelog)
set(KITROSTER_RELEASE_EPOCH "")
if(DPKG_PARSECHANGELOG)
    execute_process(COMMAND ${DPKG_PARSECHANGELOG} -l ${_packaging}/changelog -S Timestamp
                    OUTPUT_VARIABLE KITROSTER_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_QUIET)
    execute_process(COMMAND ${DPKG_PARSECHANGELOG} -l ${_packaging}/changelog -S Version
                    OUTPUT_VARIABLE _changelog_version OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_QUIET)
    if(NOT _changelog_version STREQUAL PROJECT_VERSION)
        message(WARNING "packaging/changelog starts with version '${_changelog_version}', the "
                        "project is ${PROJECT_VERSION}: add an entry before packaging")
    endif()
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_packaging}/changelog)

include(${CMAKE_CURRENT_LIST_DIR}/KitrosterManPages.cmake)
