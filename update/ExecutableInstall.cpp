#include "update/ExecutableInstall.h"

#include "platform/Executable.h"

#include <QFileInfo>
#include <QRandomGenerator>

StagedExecutable::StagedExecutable(const QString &targetPath) : m_target(targetPath) {}

StagedExecutable::~StagedExecutable()
{
    unmap();
    if (!m_installed && !m_path.isEmpty()) {
        m_file.close();
        m_reader.close();
        QFile::remove(m_path);
    }
}

bool StagedExecutable::open()
{
    // A new name beside the target, never an existing file.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString suffix = QString::number(QRandomGenerator::global()->generate(), 16);
        const QString path = m_target + u'.' + suffix + QStringLiteral(".new");
        if (createNewFile(m_file, path)) {
            m_path = path;
            return true;
        }
        if (!QFileInfo::exists(path))
            break;
    }
    return false;
}

bool StagedExecutable::append(QByteArrayView block)
{
    if (m_failed || !m_file.isOpen() || m_file.write(block.data(), block.size()) != block.size()) {
        m_failed = true;
        return false;
    }
    m_size += block.size();
    return true;
}

QByteArrayView StagedExecutable::finish()
{
    if (m_failed || !m_file.isOpen() || !syncToDisk(m_file) || m_size == 0)
        return {};
    m_file.close();
    m_reader.setFileName(m_path);
    if (!m_reader.open(QIODevice::ReadOnly))
        return {};
    m_mapped = m_reader.map(0, m_size);
    if (!m_mapped)
        return {};
    return QByteArrayView(m_mapped, m_size);
}

void StagedExecutable::unmap()
{
    if (m_mapped)
        m_reader.unmap(m_mapped);
    m_mapped = nullptr;
}

bool StagedExecutable::install(const QString &oldPath)
{
    unmap();
    // Only a file that finish() has written through to the disk.
    if (m_failed || !m_reader.isOpen())
        return false;
    m_reader.close();
    if (!makeExecutable(m_path) || !replaceKeepingOld(m_path, m_target, oldPath))
        return false;
    m_installed = true;
    return true;
}

bool replaceKeepingOld(const QString &newPath, const QString &targetPath, const QString &oldPath)
{
    if (QFileInfo::exists(oldPath) && !QFile::remove(oldPath))
        return false;
    return replaceKeepingOldName(newPath, targetPath, oldPath);
}
