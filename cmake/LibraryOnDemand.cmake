# A library that the Windows build links in and Linux loads when a command
# first needs it (common/LibraryOnDemand.h): on Windows the target links
# `library`, elsewhere it takes only its headers. `define` is set to 1 where
# it is linked and 0 where it is loaded, for BILVARO_LINKED_OR_LOADED.
function(bilvaro_link_or_load target library define)
  if(WIN32)
    target_link_libraries(${target} PRIVATE ${library})
    target_compile_definitions(${target} PRIVATE ${define}=1)
  else()
    target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:${library},INTERFACE_INCLUDE_DIRECTORIES>)
    target_compile_definitions(${target} PRIVATE ${define}=0)
  endif()
endfunction()
