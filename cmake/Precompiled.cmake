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

# bilvaro_precompiled(<target> <kind>): the target compiles with its kind's
# header, all but the file AUTOMOC adds (mocs_compilation.cpp): it is empty
# in most targets (a test includes its own "tst_x.moc"; most folders have no
# QObject), and loading a header of 150 to 300 MB takes seconds, longer than
# many a test's own file. Where it holds moc output, its own parse of Qt's
# headers costs about as much as the load.
function(bilvaro_precompiled target kind)
  if(NOT BILVARO_PRECOMPILED_HEADERS)
    return()
  endif()
  target_precompile_headers(${target} REUSE_FROM bilvaro_precompiled_${kind})
  get_target_property(binary ${target} BINARY_DIR)
  set_source_files_properties(${binary}/${target}_autogen/mocs_compilation.cpp TARGET_DIRECTORY ${target}
                              PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
endfunction()
