// libFuzzer target for the data packet reader: any bytes must give records
// or a PacketError, never a crash, a hang or unbounded memory.
#include "datapacket.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    catalog::DataPacket packet;
    try {
        packet.parse(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    } catch (const catalog::PacketError &) {
        return 0;
    }
    const int fields = static_cast<int>(packet.fieldNames().size());
    for (int record = 0; record < packet.recordCount(); ++record) {
        for (int field = 0; field < fields; ++field)
            (void)packet.value(record, field);
    }
    (void)packet.fieldIndex(QStringLiteral("tem_xml"));
    return 0;
}
