# varnel_subsystem(<name> DEPS <libs...>): one static library from every .cpp of the folder
# and of its concept folders below it.
function(varnel_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${ex})
  endforeach()
  add_library(varnel_${name} STATIC ${sources})
  target_include_directories(varnel_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(ARG_DEPS)
    target_link_libraries(varnel_${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()
