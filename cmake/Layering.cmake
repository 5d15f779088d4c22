# Each folder is a library of its own that links only the folders it may use.
# A folder with windows has two: bilvaro_<folder>, its plain logic (Qt Core
# and Qt Sql only), and bilvaro_<folder>_ui, its windows. The layering check
# (CheckLayering.cmake) fails the configure, and the build after an edit,
# when a source includes a header of a library its own does not link.

# The Qt libraries of each kind are set before the folders are added:
# BILVARO_PLAIN_QT (plain logic), BILVARO_GUI_QT (pictures without windows)
# and BILVARO_WIDGETS_QT (windows).

# bilvaro_library(<name> [GUI | WIDGETS] [USES <libraries>...] SOURCES <files>...)
# A static library of the current folder. USES names the libraries of the
# folders it may include, added before it; a plain one (neither GUI nor
# WIDGETS) may use only plain ones, so that the compiler proves it needs no
# Qt Gui. GUI: pictures with Qt Gui, no windows.
function(bilvaro_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "GUI;WIDGETS" "" "USES;SOURCES")
  if(arg_WIDGETS)
    set(kind widgets)
  elseif(arg_GUI)
    set(kind gui)
  else()
    set(kind plain)
  endif()
  foreach(used ${arg_USES})
    if(NOT TARGET ${used})
      message(FATAL_ERROR "${name} uses ${used}, which is not made before it: "
                          "the folders are added in their layering order (the top CMakeLists.txt)")
    endif()
    get_target_property(used_kind ${used} BILVARO_KIND)
    if(NOT used_kind)
      message(FATAL_ERROR "${name}: USES names the folders' libraries only, ${used} is none")
    endif()
    if(kind STREQUAL "plain" AND NOT used_kind STREQUAL "plain")
      message(FATAL_ERROR "${name} is plain logic and may not use ${used}, which needs Qt Gui")
    endif()
  endforeach()

  add_library(${name} STATIC ${arg_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS)
  if(kind STREQUAL "widgets")
    target_link_libraries(${name} PUBLIC ${BILVARO_WIDGETS_QT})
  elseif(kind STREQUAL "gui")
    target_link_libraries(${name} PUBLIC ${BILVARO_GUI_QT})
  else()
    target_link_libraries(${name} PUBLIC ${BILVARO_PLAIN_QT})
  endif()
  target_link_libraries(${name} PUBLIC ${arg_USES})
  if(COMMAND bilvaro_precompiled)
    bilvaro_precompiled(${name} ${kind})
  endif()
  set_target_properties(${name} PROPERTIES BILVARO_KIND ${kind} BILVARO_USES "${arg_USES}")
  set_property(GLOBAL APPEND PROPERTY BILVARO_LIBRARIES ${name})
endfunction()

# The libraries a library may include: itself and every one it uses, directly
# or through another.
function(bilvaro_library_closure name out)
  set(closure ${name})
  set(pending ${name})
  while(pending)
    list(POP_FRONT pending current)
    get_target_property(uses ${current} BILVARO_USES)
    foreach(used ${uses})
      if(NOT used IN_LIST closure)
        list(APPEND closure ${used})
        list(APPEND pending ${used})
      endif()
    endforeach()
  endwhile()
  set(${out} ${closure} PARENT_SCOPE)
endfunction()

# Writes the rules of every library made with bilvaro_library (its folder,
# its files, the libraries it may include), checks them now, and again at
# every build whose sources changed (target bilvaro_layering, which every
# library waits for).
function(bilvaro_check_layering)
  get_property(libraries GLOBAL PROPERTY BILVARO_LIBRARIES)
  set(rules "set(BILVARO_LIBRARIES ${libraries})\n")
  set(all_files "")
  foreach(library ${libraries})
    get_target_property(dir ${library} SOURCE_DIR)
    get_target_property(sources ${library} SOURCES)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${dir})
    set(files "")
    foreach(source ${sources})
      if(NOT IS_ABSOLUTE "${source}")
        set(source ${dir}/${source})
      endif()
      file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${source})
      if(NOT relative MATCHES "^\\.\\./" AND EXISTS ${source})
        list(APPEND files ${relative})
        list(APPEND all_files ${source})
      endif()
    endforeach()
    bilvaro_library_closure(${library} closure)
    string(APPEND rules "set(BILVARO_FOLDER_${library} \"${folder}\")\n"
                        "set(BILVARO_SOURCES_${library} \"${files}\")\n"
                        "set(BILVARO_ALLOWED_${library} \"${closure}\")\n")
  endforeach()
  set(rules_file ${PROJECT_BINARY_DIR}/layering/rules.cmake)
  file(CONFIGURE OUTPUT ${rules_file} CONTENT "${rules}" @ONLY)

  set(checker ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckLayering.cmake)
  include(${checker})
  include(${rules_file})
  bilvaro_layering_violations(${PROJECT_SOURCE_DIR} violations)
  if(violations)
    message(FATAL_ERROR "${violations}")
  endif()

  set(stamp ${PROJECT_BINARY_DIR}/layering/checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -DRULES=${rules_file} -DSTAMP=${stamp} -P ${checker}
    DEPENDS ${checker} ${rules_file} ${all_files}
    COMMENT "Checking which folders the sources include"
    VERBATIM)
  add_custom_target(bilvaro_layering DEPENDS ${stamp})
  foreach(library ${libraries})
    add_dependencies(${library} bilvaro_layering)
  endforeach()
endfunction()
