#include "clientdataset.h"

#include "contentpath.h"
#include "treefile.h"

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
    const auto missing = [this] {
        return DataSetError(QStringLiteral("%1: Missing data provider or data packet").arg(m_name).toStdString());
    };
    // Checked before it is opened: a FIFO would block the window for good,
    // a device or an endless file would be read without end.
    content::RegularFile file(local, kMaxCatalogSize);
    if (local.isEmpty() || file.refusal() == content::FileRefusal::Missing
        || (file.isOpen() && file.size() == 0))
        throw missing();
    if (!file.isOpen())
        throw DataSetError(QStringLiteral("Cannot open file \"%1\". %2")
                               .arg(QFileInfo(local).absoluteFilePath(), file.reason())
                               .toStdString());
    QByteArray bytes;
    if (!file.readAll(&bytes, kMaxCatalogSize))
        throw DataSetError(QStringLiteral("Cannot read file \"%1\". %2")
                               .arg(QFileInfo(local).absoluteFilePath(), QString::fromLocal8Bit(std::strerror(errno)))
                               .toStdString());
    if (bytes.isEmpty())
        throw missing();
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
