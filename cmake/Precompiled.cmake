# Precompiled headers. Parsing Qt's headers is most of a file's compile time:
# two thirds of a test's, which includes all of Qt Core through <QtTest>.
# Each kind of target shares one precompiled header (cmake/precompiled/),
# made once by a small target of its own: GCC takes a precompiled header only
# where the macros it reads are defined alike, and the Qt libraries linked
# define their own (QT_WIDGETS_LIB ...), so the kinds follow the Qt libraries:
# plain logic, pictures, windows, and the tests without and with windows.
option(BILVARO_PRECOMPILED_HEADERS "Compile with precompiled Qt headers" ON)

# bilvaro_precompiled_kind(<kind> LINKS <libraries>...): the target that makes
# the precompiled header of a kind, compiled as the targets of that kind are
# (linking the same libraries gives it the same macros and flags).
function(bilvaro_precompiled_kind kind)
  if(NOT BILVARO_PRECOMPILED_HEADERS)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LINKS")
  set(owner bilvaro_precompiled_${kind})
  add_library(${owner} OBJECT ${PROJECT_SOURCE_DIR}/cmake/precompiled/owner.cpp)
  set_target_properties(${owner} PROPERTIES AUTOMOC OFF)
  target_link_libraries(${owner} PRIVATE ${arg_LINKS})
  target_compile_definitions(${owner} PRIVATE QT_NO_KEYWORDS)
  target_precompile_headers(${owner} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/precompiled/${kind}.h)
endfunction()

# bilvaro_precompiled(<target> <kind>): the target compiles with its kind's header.
function(bilvaro_precompiled target kind)
  if(BILVARO_PRECOMPILED_HEADERS)
    target_precompile_headers(${target} REUSE_FROM bilvaro_precompiled_${kind})
  endif()
endfunction()
