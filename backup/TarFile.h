#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>

// The container of a backup: a POSIX tar file (ustar), which every system's
// own tools list and unpack (tar, 7-Zip, Windows' own tar.exe), so that a
// backup stays readable without this program. Only regular files, written
// and read here with Qt alone; each entry's SHA-256 is taken as it passes.
namespace TarFile {

// Writes entries into an open device. A name longer than the format holds,
// or a write that fails, throws a Failure.
class Writer {
public:
    explicit Writer(QIODevice &device) : m_device(device) {}
    // An entry of the given size read from `source` (exactly size bytes);
    // returns the SHA-256 of its bytes.
    QByteArray add(const QString &name, QIODevice &source, qint64 size);
    QByteArray add(const QString &name, const QByteArray &bytes);
    // The two empty blocks that end the archive.
    void finish();

private:
    void write(const char *data, qint64 size);
    QIODevice &m_device;
};

// Reads the entries one by one: `entry(name, size, read)` is called for each;
// read(chunk) gives the entry's next bytes (empty at its end), and bytes the
// callback leaves unread are skipped. Returns false when the file does not
// end where the format says (cut short or a damaged header);
// lastEntry names the last entry read whole (blank before the first).
struct Read {
    bool whole = false;
    QString lastEntry;
};
Read read(QIODevice &device,
          const std::function<void(const QString &name, qint64 size,
                                   const std::function<QByteArray(qint64)> &read)> &entry);

} // namespace TarFile
