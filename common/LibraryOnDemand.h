#pragma once

#include <QLibrary>
#include <QString>

// A shared library that only some commands need, loaded at the first of
// them. A start that never meets a server, an old Paradox folder or a print
// job does not load libpq, pxlib or CUPS and what they load in turn (TLS,
// Kerberos, LDAP, GLib: half of the libraries of the process), and a
// missing one fails that command with a message instead of the whole start.
//
// The functions a caller uses are listed once, X-macro style, each pointer
// typed by the library's own header:
//   #define MY_FUNCTIONS(F) F(lib_open) F(lib_close)
//   struct MyLibrary { MY_FUNCTIONS(BILVARO_FUNCTION_POINTER) };
//   const MyLibrary &myLibrary()
//   {
//       static const MyLibrary loaded = BILVARO_LOAD_ALL(MyLibrary, MY_FUNCTIONS, "libmy", 1, "...");
//       return loaded;  // a failed load throws out of the initialisation: the next call tries again
//   }
// A library that the Windows build links in instead takes
// BILVARO_LINKED_OR_LOADED with the constant that bilvaro_link_or_load
// (cmake/LibraryOnDemand.cmake) defines for the target.
#define BILVARO_FUNCTION_POINTER(name) decltype(&::name) name = nullptr;
#define BILVARO_RESOLVE_ALL(Functions, list, library)                                                         \
    [&source = (library)] {                                                                                   \
        Functions functions;                                                                                  \
        list(BILVARO_RESOLVE_ONE) return functions;                                                           \
    }()
#define BILVARO_RESOLVE_ONE(name) functions.name = source.function<decltype(&::name)>(#name);
// Loads the library (see the constructor below) and takes the functions of the list from it.
#define BILVARO_LOAD_ALL(Functions, list, fileName, majorVersion, purpose)                                   \
    [] {                                                                                                      \
        LibraryOnDemand library(QStringLiteral(fileName), majorVersion, QStringLiteral(purpose));             \
        return BILVARO_RESOLVE_ALL(Functions, list, library);                                                 \
    }()
// Where `linked` (a constant, 1 or 0: see cmake/LibraryOnDemand.cmake) the
// functions of the library linked in, otherwise BILVARO_LOAD_ALL.
#define BILVARO_LINKED_OR_LOADED(linked, Functions, list, fileName, majorVersion, purpose)                   \
    [] {                                                                                                      \
        if constexpr (linked)                                                                                 \
            return BILVARO_TAKE_ALL_LINKED(Functions, list);                                                  \
        else                                                                                                  \
            return BILVARO_LOAD_ALL(Functions, list, fileName, majorVersion, purpose);                        \
    }()
// The functions of a library linked in.
#define BILVARO_TAKE_ALL_LINKED(Functions, list)                                                              \
    [] {                                                                                                      \
        Functions functions;                                                                                  \
        list(BILVARO_TAKE_ONE_LINKED) return functions;                                                       \
    }()
#define BILVARO_TAKE_ONE_LINKED(name) functions.name = &::name;

class LibraryOnDemand {
public:
    // Loads the library now: fileName without its suffix ("libpq": libpq.so.5
    // with majorVersion 5 on Linux, libpq.dll on Windows); `purpose` says in
    // the failure's message what needs it ("връзката със сървъра").
    LibraryOnDemand(const QString &fileName, int majorVersion, const QString &purpose);

    template<typename Function>
    Function function(const char *name)
    {
        return reinterpret_cast<Function>(resolve(name));
    }

private:
    QFunctionPointer resolve(const char *name);
    QString failureText(const QString &reason) const;

    QLibrary m_library;
    QString m_purpose;
};
