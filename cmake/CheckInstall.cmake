# Installs the build in BUILD_DIR into a fresh PREFIX and checks that the program landed in
# PREFIX/bin and runs there.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
if(NOT EXISTS ${PREFIX}/bin/varnel)
  message(FATAL_ERROR "varnel is not in ${PREFIX}/bin")
endif()
execute_process(COMMAND ${PREFIX}/bin/varnel OUTPUT_VARIABLE out RESULT_VARIABLE code)
if(NOT code EQUAL 0 OR NOT out STREQUAL "This program should be executed by Varnel-GUI!\n")
  message(FATAL_ERROR "the installed varnel does not run as the program: ${code} ${out}")
endif()
file(REMOVE_RECURSE ${PREFIX})
message(STATUS "varnel installed into ${PREFIX}/bin")
