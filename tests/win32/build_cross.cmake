# Configures and builds the cross-compiled Win32 tests (tests/win32/cross) with mingw-w64.
#   cmake -DBINARY=<build folder> -P build_cross.cmake
get_filename_component(root ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/cross -B ${BINARY} -G Ninja
          -DCMAKE_BUILD_TYPE=Debug -DCMAKE_TOOLCHAIN_FILE=${root}/cmake/mingw-w64-x86_64.cmake
  RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "configuring the cross-compiled tests failed (${rc})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "building the cross-compiled tests failed (${rc})")
endif()
