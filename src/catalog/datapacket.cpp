#include "datapacket.h"

#include <pugixml.hpp>

#include <cstdint>
#include <cstring>

namespace catalog {

namespace {

// Windows-1252 0x80-0x9F; the rest of the upper half is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

bool isValidUtf8(const char *data, qsizetype size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    qsizetype i = 0;
    while (i < size) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        char32_t value;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            value = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            value = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            value = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= size)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (p[i + k] & 0x3F);
        }
        if ((extra == 1 && value < 0x80) || (extra == 2 && value < 0x800)
            || (extra == 3 && (value < 0x10000 || value > 0x10FFFF))
            || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// The encoding the declaration names, lower-cased, or empty.
QByteArray declaredEncoding(const QByteArray &bytes)
{
    if (!bytes.startsWith("<?xml"))
        return QByteArray();
    const qsizetype end = bytes.indexOf("?>");
    if (end < 0)
        return QByteArray();
    const QByteArray declaration = bytes.left(end).toLower();
    const qsizetype at = declaration.indexOf("encoding");
    if (at < 0)
        return QByteArray();
    qsizetype i = at + 8;
    while (i < declaration.size() && (declaration[i] == ' ' || declaration[i] == '='))
        ++i;
    if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\''))
        return QByteArray();
    const char quote = declaration[i];
    const qsizetype close = declaration.indexOf(quote, i + 1);
    return close < 0 ? QByteArray() : declaration.mid(i + 1, close - i - 1);
}

// Reads a character reference "&#NNN;" or "&#xHHH;" at text[i]; returns its
// length and value, or 0 when there is none.
qsizetype readReference(const char *text, qsizetype size, qsizetype i, char32_t *value)
{
    if (i + 3 >= size || text[i] != '&' || text[i + 1] != '#')
        return 0;
    qsizetype j = i + 2;
    const bool hex = text[j] == 'x';
    if (hex)
        ++j;
    char32_t v = 0;
    const qsizetype digitsStart = j;
    while (j < size && j - digitsStart < 8) {
        const char c = text[j];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        v = v * (hex ? 16 : 10) + static_cast<char32_t>(digit);
        ++j;
    }
    if (j == digitsStart || j >= size || text[j] != ';')
        return 0;
    *value = v;
    return j + 1 - i;
}

QString describe(pugi::xml_parse_status status)
{
    switch (status) {
    case pugi::status_file_not_found:
    case pugi::status_io_error:
        return QStringLiteral("não foi possível ler o arquivo");
    case pugi::status_out_of_memory:
        return QStringLiteral("memória insuficiente");
    case pugi::status_unrecognized_tag:
        return QStringLiteral("marca não reconhecida");
    case pugi::status_bad_pi:
        return QStringLiteral("declaração ou instrução de processamento malformada");
    case pugi::status_bad_comment:
        return QStringLiteral("comentário malformado");
    case pugi::status_bad_cdata:
        return QStringLiteral("seção CDATA malformada");
    case pugi::status_bad_doctype:
        return QStringLiteral("declaração DOCTYPE malformada");
    case pugi::status_bad_pcdata:
        return QStringLiteral("texto malformado");
    case pugi::status_bad_start_element:
        return QStringLiteral("marca de abertura malformada");
    case pugi::status_bad_attribute:
        return QStringLiteral("atributo malformado");
    case pugi::status_bad_end_element:
        return QStringLiteral("marca de fechamento malformada");
    case pugi::status_end_element_mismatch:
        return QStringLiteral("marca de fechamento não corresponde à de abertura");
    case pugi::status_append_invalid_root:
    case pugi::status_no_document_element:
        return QStringLiteral("o arquivo não contém nenhum elemento");
    default:
        return QStringLiteral("XML inválido");
    }
}

// Line and column (both from 1) of a byte offset in the text as read.
void lineAndColumn(const QByteArray &text, qsizetype offset, qsizetype *line, qsizetype *column)
{
    offset = qBound<qsizetype>(0, offset, text.size());
    *line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++*line;
            lineStart = i + 1;
        }
    }
    // Columns count characters, not UTF-8 bytes.
    *column = 1;
    for (qsizetype i = lineStart; i < offset; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++*column;
    }
}

pugi::xml_node childNamed(pugi::xml_node parent, const char *name)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && qstricmp(child.name(), name) == 0)
            return child;
    }
    return pugi::xml_node();
}

[[noreturn]] void structureError(const QString &what)
{
    throw PacketError(QStringLiteral("O catálogo não é um pacote de dados válido: %1.")
                          .arg(what)
                          .toStdString());
}

} // namespace

struct DataPacket::Document
{
    pugi::xml_document xml;
    QByteArray text;
};

DataPacket::DataPacket() = default;
DataPacket::~DataPacket() = default;

QByteArray DataPacket::normalise(const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype size = bytes.size();
    bool utf8 = false;
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        data += 3;
        size -= 3;
        utf8 = true;
    } else if (declaredEncoding(bytes) == "utf-8" && isValidUtf8(data, size)) {
        utf8 = true;
    }

    // A Windows-1252 byte takes at most three bytes in UTF-8; a joined
    // surrogate pair is shorter than the two references it replaces. The
    // text is written straight into a buffer of the largest size it can take.
    qsizetype high = 0;
    if (!utf8) {
        for (qsizetype k = 0; k < size; ++k)
            high += static_cast<unsigned char>(data[k]) >> 7;
    }
    QByteArray out;
    out.resize(size + 2 * high);
    char *const begin = out.data();
    char *w = begin;
    const auto put = [&w](char32_t c) {
        if (c < 0x80) {
            *w++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *w++ = static_cast<char>(0xC0 | (c >> 6));
            *w++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *w++ = static_cast<char>(0xE0 | (c >> 12));
            *w++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *w++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    };

    qsizetype i = 0;
    while (i < size) {
        // Copy the plain run up to the next byte that needs a look: a
        // reference, or (outside UTF-8) a Windows-1252 byte. Eight bytes at
        // a time while none of them does.
        qsizetype run = i;
        while (run + 8 <= size) {
            std::uint64_t word;
            std::memcpy(&word, data + run, 8);
            const std::uint64_t amp = word ^ 0x2626262626262626ULL;
            const std::uint64_t hasAmp = (amp - 0x0101010101010101ULL) & ~amp & 0x8080808080808080ULL;
            const std::uint64_t hasHigh = utf8 ? 0 : word & 0x8080808080808080ULL;
            if (hasAmp | hasHigh)
                break;
            run += 8;
        }
        while (run < size && data[run] != '&' && (utf8 || static_cast<unsigned char>(data[run]) < 0x80))
            ++run;
        std::memcpy(w, data + i, static_cast<std::size_t>(run - i));
        w += run - i;
        i = run;
        if (i >= size)
            break;
        const auto c = static_cast<unsigned char>(data[i]);
        if (c == '&') {
            char32_t first = 0;
            const qsizetype length = readReference(data, size, i, &first);
            if (length > 0 && first >= 0xD800 && first <= 0xDFFF) {
                // A surrogate pair written as two references becomes one
                // reference to the character; a lone half becomes U+FFFD.
                char32_t second = 0;
                const qsizetype secondLength = readReference(data, size, i + length, &second);
                char32_t joined = 0xFFFD;
                qsizetype consumed = length;
                if (first < 0xDC00 && secondLength > 0 && second >= 0xDC00 && second <= 0xDFFF) {
                    joined = 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
                    consumed += secondLength;
                }
                const QByteArray reference = "&#" + QByteArray::number(static_cast<uint>(joined)) + ';';
                std::memcpy(w, reference.constData(), static_cast<std::size_t>(reference.size()));
                w += reference.size();
                i += consumed;
                continue;
            }
            *w++ = '&';
            ++i;
            continue;
        }
        put(c < 0xA0 ? kCp1252High[c - 0x80] : c);
        ++i;
    }
    out.truncate(w - begin);
    return out;
}

void DataPacket::clear()
{
    m_fieldNames.clear();
    m_attributeNames.clear();
    m_rows.clear();
    m_document.reset();
}

void DataPacket::parse(const QByteArray &bytes)
{
    clear();
    m_document = std::make_unique<Document>();
    m_document->text = normalise(bytes);

    const unsigned options = pugi::parse_default | pugi::parse_declaration;
    // Parsed where it lies, ending in a zero: the text is this document's
    // own, kept as long as the document, and a copy would cost as much again
    // in fresh memory. The appended zero also makes sure the buffer is an
    // allocation of its own (an empty one is shared and read-only).
    QByteArray &text = m_document->text;
    text.append('\0');
    const pugi::xml_parse_result result = m_document->xml.load_buffer_inplace(
        text.data(), static_cast<size_t>(text.size()), options, pugi::encoding_utf8);
    if (!result) {
        qsizetype line = 0;
        qsizetype column = 0;
        // The parse has written into the text; count on a fresh copy.
        lineAndColumn(normalise(bytes), static_cast<qsizetype>(result.offset), &line, &column);
        throw PacketError(QStringLiteral("O catálogo não é um pacote de dados válido: %1 "
                                         "(linha %2, coluna %3).")
                              .arg(describe(result.status))
                              .arg(line)
                              .arg(column)
                              .toStdString());
    }

    const pugi::xml_node packet = childNamed(m_document->xml, "DATAPACKET");
    if (!packet)
        structureError(QStringLiteral("falta o elemento DATAPACKET"));
    const pugi::xml_node fields = childNamed(childNamed(packet, "METADATA"), "FIELDS");
    if (!fields)
        structureError(QStringLiteral("falta a lista de campos (METADATA/FIELDS)"));
    for (pugi::xml_node field = fields.first_child(); field; field = field.next_sibling()) {
        if (field.type() != pugi::node_element || qstricmp(field.name(), "FIELD") != 0)
            continue;
        const char *name = field.attribute("attrname").value();
        if (!*name)
            name = field.attribute("fieldname").value();
        if (!*name)
            continue;
        m_attributeNames.emplace_back(name);
        m_fieldNames << QString::fromUtf8(name);
    }

    const pugi::xml_node rows = childNamed(packet, "ROWDATA");
    for (pugi::xml_node row = rows.first_child(); row; row = row.next_sibling()) {
        if (row.type() != pugi::node_element || qstricmp(row.name(), "ROW") != 0)
            continue;
        const int state = row.attribute("RowState").as_int(0);
        // 1: old image of a changed record, 2: deleted, 32: detail-only.
        if ((state & 35) != 0)
            continue;
        m_rows.push_back(row.internal_object());
    }
}

int DataPacket::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fieldNames.size(); ++i) {
        if (m_fieldNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString DataPacket::value(int record, int field) const
{
    if (record < 0 || record >= recordCount() || field < 0
        || field >= static_cast<int>(m_attributeNames.size()))
        return QString();
    const pugi::xml_node row(static_cast<pugi::xml_node_struct *>(
        const_cast<void *>(m_rows[static_cast<std::size_t>(record)])));
    const pugi::xml_attribute attribute =
        row.attribute(m_attributeNames[static_cast<std::size_t>(field)].constData());
    return attribute ? QString::fromUtf8(attribute.value()) : QString();
}

} // namespace catalog
