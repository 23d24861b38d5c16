# Install rules and packages (included by the top-level CMakeLists.txt when the tool is built).
#
# The Windows tree makes kestrummod-<version>-win64.zip, what a host developer takes: the module, the
# engine and its data, the host and the tool in bin/, the public header and the headers it includes in
# include/, the import library, the framework's portable base and the CMake package (Kestrum::mod) in
# lib/. The native tree makes kestrumprops-<version>-linux-x86_64.tar.gz and a .deb: the tool with the
# engine and its data beside it in bin/, as in the build tree, where the tool looks for them.
#
# Binaries are installed as built. The packages get them without debug sections: before each package
# is made, cmake/cpack-strip.cmake moves the debug information into <package>-debug.<zip|tar.gz> beside
# it, linked from each binary by name (.gnu_debuglink), so that a crash can still be read.

# Installing builds nothing first: scripts/package builds only what the packages hold.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS kestrum kestrumprops RUNTIME DESTINATION bin)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/dbdata/ DESTINATION bin/dbdata FILES_MATCHING PATTERN "*.csv")
# kestrumprops validate looks for the published values beside itself.
install(FILES ${PROJECT_SOURCE_DIR}/engine/validation/published.json DESTINATION bin/validation)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION docs FILES_MATCHING PATTERN "*.png")
set(KESTRUM_PACKAGE_BINARIES kestrum${CMAKE_EXECUTABLE_SUFFIX} kestrumprops${CMAKE_EXECUTABLE_SUFFIX})

if(WIN32)
    install(TARGETS kestrummod64 kestrumhost RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
    install(TARGETS kestrumframework ARCHIVE DESTINATION lib)
    list(APPEND KESTRUM_PACKAGE_BINARIES kestrummod64.dll kestrumhost.exe)

    # The public header at the top, so that a host writes #include <kestrummod.h>; the headers it
    # includes keep their folders, as its include lines name them.
    install(FILES ${PROJECT_SOURCE_DIR}/src/module/kestrummod.h DESTINATION include)
    install(FILES ${PROJECT_SOURCE_DIR}/src/props/datatypes.h ${PROJECT_SOURCE_DIR}/src/props/kestrumexport.h
                  ${PROJECT_SOURCE_DIR}/src/props/matprops.h
            DESTINATION include/props)
    install(FILES ${PROJECT_SOURCE_DIR}/src/framework/cstring.h DESTINATION include/framework)

    # The decorated names tie a host to this compiler and standard library, so a 0.x version is
    # compatible only within its minor version.
    include(CMakePackageConfigHelpers)
    write_basic_package_version_file(${CMAKE_BINARY_DIR}/KestrumModConfigVersion.cmake
                                     COMPATIBILITY SameMinorVersion)
    install(FILES ${PROJECT_SOURCE_DIR}/cmake/KestrumModConfig.cmake
                  ${CMAKE_BINARY_DIR}/KestrumModConfigVersion.cmake
            DESTINATION lib/cmake/KestrumMod)

    set(CPACK_PACKAGE_NAME kestrummod)
    set(CPACK_SYSTEM_NAME win64)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_PACKAGE_NAME kestrumprops)
    set(CPACK_SYSTEM_NAME linux-x86_64)
    set(CPACK_GENERATOR TGZ DEB)
    # The .deb installs the folder under /opt (cmake/cpack-options.cmake) with kestrumprops in
    # /usr/bin linked to it: the tool finds the engine through its own resolved path.
    set(CPACK_PACKAGE_CONTACT "Kestrum developers")
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION science)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

set(CPACK_PACKAGE_VENDOR Kestrum)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Temperature-dependent material properties of casting alloys")
# Kept apart: include(CPack) leaves the source package's name in CPACK_PACKAGE_FILE_NAME.
set(KESTRUM_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_PACKAGE_FILE_NAME ${KESTRUM_PACKAGE_FILE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack-options.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack-strip.cmake)
# Handed to the strip script through CPackConfig.cmake.
set(CPACK_KESTRUM_BINARIES ${KESTRUM_PACKAGE_BINARIES})
set(CPACK_KESTRUM_OBJCOPY ${CMAKE_OBJCOPY})
include(CPack)

add_subdirectory(${PROJECT_SOURCE_DIR}/tests/package ${CMAKE_BINARY_DIR}/tests/package)
