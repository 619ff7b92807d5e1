#include "clientdataset.h"

#include "contentpath.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace catalog {

ClientDataSet::ClientDataSet(const QString &name) : m_name(name) {}

void ClientDataSet::open()
{
    if (m_open)
        return;
    const QString local = content::toLocalPath(m_fileName);
    const QFileInfo info(local);
    if (local.isEmpty() || !info.exists() || (info.isFile() && info.size() == 0))
        throw DataSetError(QStringLiteral("%1: Missing data provider or data packet")
                               .arg(m_name)
                               .toStdString());
    QFile file(local);
    errno = 0;
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        const int error = info.isDir() ? EISDIR : (errno ? errno : EACCES);
        throw DataSetError(QStringLiteral("Cannot open file \"%1\". %2")
                               .arg(info.absoluteFilePath(), QString::fromLocal8Bit(std::strerror(error)))
                               .toStdString());
    }
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        throw DataSetError(QStringLiteral("%1: Missing data provider or data packet")
                               .arg(m_name)
                               .toStdString());
    try {
        m_packet.parse(bytes);
    } catch (const PacketError &error) {
        throw DataSetError(error.what());
    }
    m_open = true;
    m_current = 0;
}

void ClientDataSet::close()
{
    m_open = false;
    m_current = 0;
    m_packet.clear();
}

void ClientDataSet::next()
{
    if (!eof())
        ++m_current;
}

int ClientDataSet::fieldByName(const QString &field) const
{
    const int index = m_packet.fieldIndex(field);
    if (index < 0)
        throw DataSetError(
            QStringLiteral("%1: Field '%2' not found").arg(m_name, field).toStdString());
    return index;
}

} // namespace catalog
