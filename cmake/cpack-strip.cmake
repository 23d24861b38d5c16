# Run by CPack once the files are installed into its staging folder and before it packs them
# (CPACK_PRE_BUILD_SCRIPTS): each binary named in CPACK_KESTRUM_BINARIES loses its debug sections and
# symbols and names its debug file instead (.gnu_debuglink), which gdb finds beside the binary. The
# debug files go into <package>-debug.<zip|tar.gz> beside the package, laid out as the package is, so
# that unpacking both into one folder puts each beside its binary.
#
# For the .deb the binaries are stripped alike (the archive generator's run keeps the debug files), and
# the tool gets its link in /usr/bin.

set(stage ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
set(debug_stage ${CPACK_TOPLEVEL_DIRECTORY}/debug/${CPACK_PACKAGE_FILE_NAME})
file(REMOVE_RECURSE ${CPACK_TOPLEVEL_DIRECTORY}/debug)

foreach(name IN LISTS CPACK_KESTRUM_BINARIES)
    file(GLOB_RECURSE binary LIST_DIRECTORIES false ${stage}/*/${name})
    list(LENGTH binary count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "cpack-strip: ${name} is installed ${count} times in ${stage}")
    endif()
    file(RELATIVE_PATH relative ${stage} ${binary})
    set(debug_file ${debug_stage}/${relative}.debug)
    get_filename_component(debug_folder ${debug_file} DIRECTORY)
    file(MAKE_DIRECTORY ${debug_folder})
    # The link records the debug file's name and checksum, so the binary is stripped from the folder
    # that holds it.
    execute_process(
        COMMAND ${CPACK_KESTRUM_OBJCOPY} --only-keep-debug ${binary} ${debug_file}
        COMMAND_ERROR_IS_FATAL ANY)
    execute_process(
        COMMAND ${CPACK_KESTRUM_OBJCOPY} --strip-all --add-gnu-debuglink=${name}.debug ${binary}
        WORKING_DIRECTORY ${debug_folder}
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()

if(CPACK_GENERATOR STREQUAL "DEB")
    file(MAKE_DIRECTORY ${stage}/usr/bin)
    file(CREATE_LINK ${CPACK_PACKAGING_INSTALL_PREFIX}/bin/kestrumprops ${stage}/usr/bin/kestrumprops
         SYMBOLIC)
endif()

# Paths in the archive start at the package's top folder.
if(CPACK_GENERATOR STREQUAL "ZIP")
    set(archive ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}-debug.zip)
    set(tar_options cf ${archive} --format=zip)
elseif(CPACK_GENERATOR STREQUAL "TGZ")
    set(archive ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}-debug.tar.gz)
    set(tar_options czf ${archive})
endif()
if(archive)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E tar ${tar_options} ${CPACK_PACKAGE_FILE_NAME}
        WORKING_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY}/debug
        COMMAND_ERROR_IS_FATAL ANY)
    message(STATUS "Debug information in ${archive}")
endif()
