#pragma once

// The window's client dataset: a named in-memory table loaded whole from a
// data packet file, walked record by record. Its own errors carry its name
// ("cdxtb: Field 'TEM_XML' not found").

#include "datapacket.h"

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace catalog {

// An error the user sees in the application's error box, as is.
class DataSetError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class ClientDataSet
{
public:
    // Far above any real catalog (100,000 records take about 13 MB).
    static constexpr std::int64_t kMaxCatalogSize = 256 * 1024 * 1024;

    explicit ClientDataSet(const QString &name);

    void setFileName(const QString &contentPath) { m_fileName = contentPath; }

    // Loads the file whole and makes the first record current; does nothing
    // when already open. Throws DataSetError.
    void open();
    void close();
    bool isOpen() const { return m_open; }

    bool eof() const { return !m_open || m_current >= m_packet.recordCount(); }
    void next();

    // Throws DataSetError "<name>: Field '<field>' not found".
    int fieldByName(const QString &field) const;
    QString text(int field) const { return m_packet.value(m_current, field); }

private:
    QString m_name;
    QString m_fileName;
    DataPacket m_packet;
    bool m_open = false;
    int m_current = 0;
};

} // namespace catalog
