# Which folders a library's sources include: every #include "<folder>/..."
# of a folder that has libraries must name a header of a library the
# including one may use (BILVARO_ALLOWED_<library>, itself included); a
# header no library lists (one made at build time) must lie in the folder of
# one. The rules come from bilvaro_check_layering (Layering.cmake).
#
# As a script: cmake -DROOT=<sources> -DRULES=<rules file> [-DSTAMP=<file>] -P CheckLayering.cmake
# fails with the list of wrong includes, or touches STAMP.

cmake_policy(VERSION 3.25)

# Sets out to the text that lists every wrong include under root, or to "".
function(bilvaro_layering_violations root out)
  set(folders "")
  foreach(library ${BILVARO_LIBRARIES})
    list(APPEND folders ${BILVARO_FOLDER_${library}})
    foreach(file ${BILVARO_SOURCES_${library}})
      string(MAKE_C_IDENTIFIER "${file}" key)
      set(owner_${key} ${library})
    endforeach()
  endforeach()

  set(found "")
  foreach(library ${BILVARO_LIBRARIES})
    set(allowed_folders "")
    foreach(allowed ${BILVARO_ALLOWED_${library}})
      list(APPEND allowed_folders ${BILVARO_FOLDER_${allowed}})
    endforeach()
    set(others ${BILVARO_ALLOWED_${library}})
    list(REMOVE_ITEM others ${library})
    if(others)
      string(JOIN ", " uses ${others})
    else()
      set(uses "none")
    endif()
    foreach(file ${BILVARO_SOURCES_${library}})
      file(STRINGS ${root}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/[^\"]+\"")
      foreach(line ${lines})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${line}")
        string(REGEX REPLACE "/.*$" "" folder "${header}")
        if(NOT folder IN_LIST folders)
          continue()
        endif()
        string(MAKE_C_IDENTIFIER "${header}" key)
        if(DEFINED owner_${key})
          if(owner_${key} IN_LIST BILVARO_ALLOWED_${library})
            continue()
          endif()
          set(of " (${owner_${key}})")
        elseif(folder IN_LIST allowed_folders)
          continue()
        else()
          set(of "")
        endif()
        string(APPEND found "  ${file} includes ${header}${of}, but ${library} uses only: ${uses}\n")
      endforeach()
    endforeach()
  endforeach()

  if(found)
    string(CONCAT found "A source includes a header its library may not use:\n${found}"
              "A library includes only the libraries it links (USES in its folder's "
              "CMakeLists.txt); what a lower folder needs from a higher one comes in "
              "as a parameter from app/, or moves down to a folder both may use.\n")
  endif()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  include(${RULES})
  bilvaro_layering_violations(${ROOT} violations)
  if(violations)
    message(FATAL_ERROR "${violations}")
  endif()
  if(STAMP)
    file(TOUCH ${STAMP})
  endif()
endif()
