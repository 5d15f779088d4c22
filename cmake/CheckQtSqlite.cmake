# Fails the configuration unless Qt's SQLite driver plugin loads the SQLite
# library (libsqlite3.so / sqlite3.dll) instead of carrying its own copy.
# BILVARO_SKIP_SQLITE_CHECK=ON skips it, for a driver checked by other means.
function(bilvaro_check_qt_sqlite)
  option(BILVARO_SKIP_SQLITE_CHECK "Do not check which SQLite Qt's SQLite driver uses" OFF)
  if(BILVARO_SKIP_SQLITE_CHECK)
    return()
  endif()
  find_package(Qt6 COMPONENTS Sql REQUIRED)
  if(NOT TARGET Qt6::QSQLiteDriverPlugin)
    find_package(Qt6QSQLiteDriverPlugin CONFIG QUIET PATHS "${Qt6Sql_DIR}" NO_DEFAULT_PATH)
  endif()
  if(NOT TARGET Qt6::QSQLiteDriverPlugin)
    message(FATAL_ERROR "Qt's SQLite driver (Qt6::QSQLiteDriverPlugin) was not found: "
                        "install it (on Debian: libqt6sql6-sqlite).")
  endif()
  set(plugin "")
  foreach(property IMPORTED_LOCATION IMPORTED_LOCATION_RELEASE IMPORTED_LOCATION_NONE
                   IMPORTED_LOCATION_RELWITHDEBINFO IMPORTED_LOCATION_DEBUG)
    get_target_property(location Qt6::QSQLiteDriverPlugin ${property})
    if(location AND EXISTS "${location}")
      set(plugin "${location}")
      break()
    endif()
  endforeach()
  if(NOT plugin)
    message(FATAL_ERROR "The file of Qt's SQLite driver plugin was not found.")
  endif()
  if(NOT CMAKE_OBJDUMP)
    message(FATAL_ERROR "objdump is needed to check which SQLite Qt's SQLite driver uses "
                        "(or configure with -DBILVARO_SKIP_SQLITE_CHECK=ON).")
  endif()
  execute_process(COMMAND "${CMAKE_OBJDUMP}" -p "${plugin}"
                  OUTPUT_VARIABLE headers RESULT_VARIABLE result ERROR_QUIET)
  # An ELF file names the libraries it needs as NEEDED, a Windows DLL as "DLL Name".
  if(NOT result EQUAL 0 OR NOT headers MATCHES "(NEEDED|DLL Name:)[ \t]+(lib)?sqlite3[.-]")
    message(FATAL_ERROR
      "Qt's SQLite driver ${plugin} does not use the system SQLite library: it carries "
      "its own copy, and two copies of SQLite in one program corrupt the tables. Build "
      "with a Qt whose SQLite driver links the system SQLite (see docs/developer-guide.md).")
  endif()
  message(STATUS "Qt's SQLite driver uses the system SQLite: ${plugin}")
endfunction()
