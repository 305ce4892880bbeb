# The Debian packages, made by `cpack -G DEB` in the build folder:
#   kitroster          the library and its components, the kitroster and kitroster-profile
#                      tools, the profile edition, headers, CMake and pkg-config files, the
#                      PAM service, the completion, manual pages and documents;
#   kitroster-manager  the window program with its Qt backend, desktop entry and icon, so
#                      that a machine without windows needs no Qt.
# Dependencies come from dpkg-shlibdeps; the manager depends on kitroster of its own version.
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    message(STATUS "Packages: the install prefix is ${CMAKE_INSTALL_PREFIX}; configure with "
                   "-DCMAKE_INSTALL_PREFIX=/usr for Debian packages")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kitroster)
set(CPACK_PACKAGE_VENDOR "Kitroster developers")
# A neutral contact on a reserved domain (lintian rejects an address at localhost).
set(CPACK_PACKAGE_CONTACT "Kitroster developers <kitroster@example.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL kitroster manager)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps must find the libraries of the other package (the manager links
# libKitroster.so.1) in the build tree; its versioned dependency comes from DEPENDS below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Control files of each package. The shlibs file names the libraries in the library folder
# only, as other packages may link them: the profile edition, loaded by path from its own
# folder, shares the main library's soname and must not appear there a second time.
# Packages with shared libraries activate the ldconfig trigger.
set(_control ${PROJECT_BINARY_DIR}/packaging/control)
foreach(component IN ITEMS kitroster manager)
    set(package kitroster)
    if(component STREQUAL "manager")
        set(package kitroster-manager)
    endif()
    get_property(libraries GLOBAL PROPERTY KITROSTER_SHLIBS_${component})
    set(shlibs "")
    foreach(library IN LISTS libraries)
        get_target_property(name ${library} OUTPUT_NAME)
        if(NOT name)
            set(name ${library})
        endif()
        get_target_property(soversion ${library} SOVERSION)
        string(APPEND shlibs "lib${name} ${soversion} ${package} (= ${PROJECT_VERSION})\n")
    endforeach()
    string(TOUPPER ${component} upper)
    set(extra)
    if(shlibs)
        file(WRITE ${_control}/${package}/shlibs "${shlibs}")
        file(WRITE ${_control}/${package}/triggers "activate-noawait ldconfig\n")
        list(APPEND extra ${_control}/${package}/shlibs ${_control}/${package}/triggers)
    endif()
    if(component STREQUAL "kitroster")
        file(WRITE ${_control}/${package}/conffiles "${KITROSTER_PAM_FILE}\n")
        list(APPEND extra ${_control}/${package}/conffiles)
    endif()
    set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
    set(CPACK_DEBIAN_${upper}_PACKAGE_CONTROL_EXTRA ${extra})
endforeach()

set(CPACK_DEBIAN_KITROSTER_PACKAGE_SECTION utils)
# `kitroster graph --format svg` runs Graphviz's dot (DOT text needs nothing).
set(CPACK_DEBIAN_KITROSTER_PACKAGE_RECOMMENDS graphviz)
# Building against the headers of the scripted user needs the JSON library's headers.
set(CPACK_DEBIAN_KITROSTER_PACKAGE_SUGGESTS nlohmann-json3-dev)
set(CPACK_DEBIAN_MANAGER_PACKAGE_SECTION utils)
# The first line is the summary; CPACK_PACKAGE_DESCRIPTION_SUMMARY stays unset, or CPack would
# put it before both.
set(CPACK_DEBIAN_KITROSTER_DESCRIPTION "resource catalogue of the EEG and video recording suite
The catalogue of video servers, IP cameras, the video assemblies that pair
them and the rooms that group assemblies, kept as one small text file per
resource, with its configuration store and settings synchronisation.
.
This package holds the shared library libKitroster.so.1 and its components,
the command-line tool kitroster (browse, edit, resolve, synchronise), the
profile edition library with kitroster-profile, the PAM service, and the
headers, CMake package and pkg-config file to build against the library.")
set(CPACK_DEBIAN_MANAGER_DESCRIPTION "Resource Manager window of the recording resource catalogue
kitroster-manager shows the catalogue's dialogs as windows (Qt 6 Widgets): the
Resource Manager with its filters, search and dependants, the edit dialog
and the connectivity and capability editors. It can also play the dialogs
from a script, on windows or headless.
.
A machine without windows needs only the kitroster package.")

include(CPack)
cpack_add_component(kitroster DISPLAY_NAME "Kitroster")
cpack_add_component(manager DISPLAY_NAME "Kitroster Resource Manager" DEPENDS kitroster)
