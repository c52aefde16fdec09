#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

class QIODevice;

namespace orvi::reports {

// One stored (uncompressed) member of a ZIP container.
struct ZipEntry
{
    QString name; // written as UTF-8
    QByteArray data;
};

// CRC-32 as used by ZIP and PNG (reflected 0xEDB88320, complemented).
quint32 zipCrc32(const QByteArray& data);

// Writes a complete ZIP container with every entry stored. The device must be writable and
// positioned at offset 0; there may be at most 65535 entries and every offset and size must
// fit 32 bits (no ZIP64).
bool writeZip(QIODevice* device, const QList<ZipEntry>& entries);

} // namespace orvi::reports
