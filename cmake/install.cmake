# Installing and packaging: the component, the platform library it shares with its host, the SQL Server
# functions module, the headers a host program of its own needs, and the files find_package(Ostraven)
# and pkg-config read. Included by the top-level CMakeLists.txt after the library targets exist; the
# reference host adds its own install rule where it is defined.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Installed libraries find each other in their own folder; the host finds them from bin/.
file(RELATIVE_PATH ostraven_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set(OSTRAVEN_HOST_INSTALL_RPATH "$ORIGIN/${ostraven_bin_to_lib}")

set_target_properties(ostraven_platform PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    EXPORT_NAME Platform INSTALL_RPATH "$ORIGIN")
set_target_properties(ostraven_sqlite_functions PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS ostraven_platform EXPORT OstravenTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# Where SqliteFunctions::extensionPath() looks: beside the platform library.
install(TARGETS ostraven_sqlite_functions LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

if(TARGET EventViewObject)
    # A host program that links the component instead of loading it gets the headers and the platform
    # library with it, as one linking Ostraven::Platform does.
    target_link_libraries(EventViewObject PUBLIC ostraven_platform)
    set_target_properties(EventViewObject PROPERTIES
        VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
        INSTALL_RPATH "$ORIGIN")
    install(TARGETS EventViewObject EXPORT OstravenTargets
            LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()

# The headers keep their layout under src/, as they include each other by it; the include folder
# ostraven/ is on the embedder's path as well, so <ostraven/eventviewobject.h> is the one name a host
# program writes.
set(ostraven_public_headers
    component/eventinterface.h
    platform/com/com.h
    platform/com/comregistry.h
    platform/date.h
    platform/db/connection.h
    platform/desktop/desktopservices.h
    platform/dispatch.h
    platform/hostevent.h
    platform/variant.h
    platform/vberror.h)
set(ostraven_include_dir ${CMAKE_INSTALL_INCLUDEDIR}/ostraven)
foreach(header IN LISTS ostraven_public_headers)
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${CMAKE_SOURCE_DIR}/src/${header} DESTINATION ${ostraven_include_dir}/${folder})
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/src/component/eventviewobject.h DESTINATION ${ostraven_include_dir})
target_include_directories(ostraven_platform INTERFACE
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}> $<INSTALL_INTERFACE:${ostraven_include_dir}>)

set(ostraven_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Ostraven)
install(EXPORT OstravenTargets NAMESPACE Ostraven:: DESTINATION ${ostraven_cmake_dir})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/OstravenConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/OstravenConfig.cmake INSTALL_DESTINATION ${ostraven_cmake_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/OstravenConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/OstravenConfig.cmake ${CMAKE_BINARY_DIR}/OstravenConfigVersion.cmake
        DESTINATION ${ostraven_cmake_dir})

# The .pc file finds its prefix from its own place, so the tree works wherever --prefix put it.
file(RELATIVE_PATH ostraven_pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" ostraven_pc_to_prefix "${ostraven_pc_to_prefix}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/ostraven-eventview.pc.in ${CMAKE_BINARY_DIR}/ostraven-eventview.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/ostraven-eventview.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# What an integrator reads: the control protocol, the layers, and the set-up.
install(FILES ${CMAKE_SOURCE_DIR}/docs/protocol.md ${CMAKE_SOURCE_DIR}/docs/architecture.md ${CMAKE_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ostraven-eventview)

# `cpack -G DEB` in the build folder (or `make package`): one package with everything above, for /usr.
set(CPACK_PACKAGE_NAME ostraven-eventview)
set(CPACK_PACKAGE_VENDOR "Ostraven")
set(CPACK_PACKAGE_CONTACT "Ostraven Event Viewer team <eventviewer@ostraven.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Ostraven live event viewer: in-process component and reference host")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Named by hand rather than by dpkg-shlibdeps: the Qt platform plugins are loaded at run time, so no
# library scan finds them, and without them no window opens. Later releases renamed the Qt libraries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4) | libqt6core6t64 (>= 6.4), libqt6gui6 (>= 6.4) | libqt6gui6t64 (>= 6.4), libqt6widgets6 (>= 6.4) | libqt6widgets6t64 (>= 6.4), libqt6network6 (>= 6.4) | libqt6network6t64 (>= 6.4), qt6-qpa-plugins, libsqlite3-0, libodbc2 | libodbc1")
# The drivers the host reaches SQL Server with, and the one its ODBC tests use.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "tdsodbc, libsqliteodbc")
include(CPack)
