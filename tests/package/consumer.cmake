# Unpacks the zip into WORK, configures and builds the consumer host (consumer/) against it with the
# mingw-w64 toolchain, and runs it under Wine.
#   cmake -DPACKAGE=ZIP -DWORK=DIR -DTOOLCHAIN=FILE -DEMULATOR=wine -DKESTRUM_SOURCE_DIR=DIR
#         -DKESTRUM_TEST_BUILD=DIR -P consumer.cmake
file(REMOVE_RECURSE ${WORK})
file(ARCHIVE_EXTRACT INPUT ${PACKAGE} DESTINATION ${WORK}/installed)
file(GLOB prefix ${WORK}/installed/*)

execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/consumer -B ${WORK}/build -G "Unix Makefiles"
            --toolchain ${TOOLCHAIN} -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=${prefix}
            -DKESTRUM_SOURCE_DIR=${KESTRUM_SOURCE_DIR} -DKESTRUM_TEST_BUILD=${KESTRUM_TEST_BUILD}
    COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/build COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${EMULATOR} ${WORK}/build/consumer_test.exe COMMAND_ERROR_IS_FATAL ANY)
