#pragma once

// Reads the XML data packets that Windows desktop database programs save
// their client datasets in: FIELDS under METADATA declare the fields, each
// ROW under ROWDATA holds one attribute per field. The reader takes the files
// as such programs really write them: Windows-1252 bytes unless the file says
// UTF-8 (BOM or declaration), string.uni values as &#NNN; references with
// characters beyond the basic plane split into surrogate pairs, RowState
// bits marking deleted records and old images of changed ones.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <stdexcept>
#include <vector>

namespace catalog {

class PacketError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class DataPacket
{
public:
    DataPacket();
    ~DataPacket();
    DataPacket(const DataPacket &) = delete;
    DataPacket &operator=(const DataPacket &) = delete;

    // Parses a whole packet; throws PacketError saying what is wrong and
    // where (line and column of the text as read).
    void parse(const QByteArray &bytes);
    void clear();

    const QStringList &fieldNames() const { return m_fieldNames; }
    // Case-insensitive; -1 when the packet has no such field.
    int fieldIndex(const QString &name) const;
    // Visible records only (not deleted, not an old image), in file order.
    int recordCount() const { return static_cast<int>(m_rows.size()); }
    // A field's text; an omitted attribute (a null value) is the empty text.
    QString value(int record, int field) const;

    // The text as the parser sees it: UTF-8, surrogate-pair references joined.
    static QByteArray normalise(const QByteArray &bytes);

private:
    struct Document;
    std::unique_ptr<Document> m_document;
    QStringList m_fieldNames;
    std::vector<QByteArray> m_attributeNames;
    std::vector<const void *> m_rows; // pugi node handles of the visible ROWs
};

} // namespace catalog
