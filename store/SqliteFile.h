#pragma once

#include <QString>

struct Sqlite;
struct sqlite3;

// An SQLite file opened on SQLite's own connection, outside Qt's driver (the
// same library: see the store's CMakeLists): for a read on another thread
// (Qt's connections stay on the thread that made them), and for the
// benchmarks, which fill a file in bulk and measure SQLite alone beside the
// program. Reads go through SqliteStatement on handle(). A failure throws
// the store's Failure.
class SqliteFile {
public:
    enum class Mode { ReadOnly, ReadWrite, Create };
    explicit SqliteFile(const QString &path, Mode mode = Mode::ReadWrite);
    ~SqliteFile();
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    // Runs the statements, one after the other.
    void execute(const QString &sql);
    sqlite3 *handle() const { return m_handle; }

private:
    [[noreturn]] void fail(const QString &action);

    const Sqlite &m_sqlite;
    QString m_path;
    sqlite3 *m_handle = nullptr;
};
