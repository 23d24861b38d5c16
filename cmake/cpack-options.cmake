# Read by CPack before each of its generators runs (CPACK_PROJECT_CONFIG_FILE).

# The .deb keeps the archive's folder whole under /opt, so that the tool still finds the engine and
# its data beside itself; cmake/cpack-strip.cmake links the tool into /usr/bin.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_PACKAGING_INSTALL_PREFIX /opt/kestrumprops)
endif()
