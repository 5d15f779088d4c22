#include "update/ExecutableInstall.h"

#include "platform/Executable.h"

#include <QFileInfo>
#include <QRandomGenerator>

StagedExecutable::StagedExecutable(const QString &targetPath) : m_target(targetPath) {}

StagedExecutable::~StagedExecutable()
{
    unmap();
    if (!m_installed && !m_file.fileName().isEmpty()) {
        m_file.close();
        m_file.remove();
    }
}

bool StagedExecutable::open()
{
    // A new name beside the target, never an existing file.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString suffix = QString::number(QRandomGenerator::global()->generate(), 16);
        m_file.setFileName(m_target + u'.' + suffix + QStringLiteral(".new"));
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
        if (m_file.exists())
            continue;
        break;
    }
    m_file.setFileName(QString());
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
    if (m_failed || !m_file.isOpen() || !syncToDisk(m_file))
        return {};
    if (m_size == 0)
        return {};
    m_file.close();
    if (!m_file.open(QIODevice::ReadOnly))
        return {};
    m_mapped = m_file.map(0, m_size);
    if (!m_mapped)
        return {};
    return QByteArrayView(m_mapped, m_size);
}

void StagedExecutable::unmap()
{
    if (m_mapped)
        m_file.unmap(m_mapped);
    m_mapped = nullptr;
}

bool StagedExecutable::install(const QString &oldPath)
{
    unmap();
    if (m_failed || !m_file.isOpen())
        return false;
    m_file.close();
    if (!makeExecutable(m_file.fileName()) || !replaceKeepingOld(m_file.fileName(), m_target, oldPath))
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
