#include "reports/ZipWriter.h"

#include <QDataStream>
#include <QIODevice>
#include <array>
#include <limits>

namespace orvi::reports {
namespace {

constexpr quint32 kLocalHeaderSignature = 0x04034B50;
constexpr quint32 kCentralHeaderSignature = 0x02014B50;
constexpr quint32 kEndRecordSignature = 0x06054B50;
constexpr quint16 kVersion = 20;
constexpr quint16 kUtf8NamesFlag = 0x0800;
constexpr quint16 kMethodStored = 0;
constexpr quint16 kDosTime = 0;
constexpr quint16 kDosDate = 33; // 1980-01-01
constexpr qint64 kMaxU32 = std::numeric_limits<quint32>::max();
constexpr qint64 kMaxU16 = std::numeric_limits<quint16>::max();

const std::array<quint32, 256>& crcTable()
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1U) ? (0xEDB88320U ^ (c >> 1)) : (c >> 1);
            t[i] = c;
        }
        return t;
    }();
    return table;
}

} // namespace

quint32 zipCrc32(const QByteArray& data)
{
    const auto& table = crcTable();
    quint32 crc = 0xFFFFFFFFU;
    for (const char byte : data)
        crc = table[(crc ^ static_cast<quint8>(byte)) & 0xFFU] ^ (crc >> 8);
    return ~crc;
}

bool writeZip(QIODevice* device, const QList<ZipEntry>& entries)
{
    if (!device || !device->isWritable() || device->pos() != 0 || entries.size() > kMaxU16)
        return false;

    QDataStream out(device);
    out.setByteOrder(QDataStream::LittleEndian);
    QByteArray directory;
    QDataStream dir(&directory, QIODevice::WriteOnly);
    dir.setByteOrder(QDataStream::LittleEndian);

    // Offsets are counted here rather than asked of the device, which may be sequential.
    qint64 offset = 0;
    for (const ZipEntry& entry : entries) {
        const QByteArray name = entry.name.toUtf8();
        if (name.isEmpty() || name.size() > kMaxU16 || entry.data.size() > kMaxU32 ||
            offset > kMaxU32)
            return false;
        const quint32 crc = zipCrc32(entry.data);
        const auto size = static_cast<quint32>(entry.data.size());
        const auto nameLength = static_cast<quint16>(name.size());

        out << kLocalHeaderSignature << kVersion << kUtf8NamesFlag << kMethodStored << kDosTime
            << kDosDate << crc << size << size << nameLength << quint16(0);
        out.writeRawData(name.constData(), name.size());
        out.writeRawData(entry.data.constData(), entry.data.size());

        dir << kCentralHeaderSignature << kVersion << kVersion << kUtf8NamesFlag << kMethodStored
            << kDosTime << kDosDate << crc << size << size << nameLength << quint16(0) << quint16(0)
            << quint16(0) << quint16(0) << quint32(0) << static_cast<quint32>(offset);
        dir.writeRawData(name.constData(), name.size());

        if (out.status() != QDataStream::Ok)
            return false;
        offset += 30 + name.size() + entry.data.size();
    }

    if (offset > kMaxU32 || directory.size() > kMaxU32)
        return false;
    out.writeRawData(directory.constData(), directory.size());
    const auto count = static_cast<quint16>(entries.size());
    out << kEndRecordSignature << quint16(0) << quint16(0) << count << count
        << static_cast<quint32>(directory.size()) << static_cast<quint32>(offset) << quint16(0);
    return out.status() == QDataStream::Ok && dir.status() == QDataStream::Ok;
}

} // namespace orvi::reports
