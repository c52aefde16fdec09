#include "media/libav/LibavStreamRotation.h"

#include "media/libav/LibavPointers.h"

extern "C" {
#include <libavutil/display.h>
}

#include <QByteArray>
#include <cmath>

namespace orvi::media::libav {

namespace {

const uint8_t* displayMatrixOf(const AVStream* stream, size_t* size)
{
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(60, 31, 102)
    const AVPacketSideData* sideData =
        av_packet_side_data_get(stream->codecpar->coded_side_data,
                                stream->codecpar->nb_coded_side_data, AV_PKT_DATA_DISPLAYMATRIX);
    if (sideData == nullptr) {
        return nullptr;
    }
    *size = sideData->size;
    return sideData->data;
#else
    // Older builds keep the coded side data on the stream itself.
    size_t sideDataSize = 0;
    const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &sideDataSize);
    *size = data != nullptr ? static_cast<size_t>(sideDataSize) : 0;
    return data;
#endif
}

} // namespace

int normalizeRotationDegrees(double degrees)
{
    if (!std::isfinite(degrees)) {
        return 0;
    }
    const double rounded = std::fmod(std::round(degrees), 360.0);
    const int value = static_cast<int>(rounded);
    return value < 0 ? value + 360 : value;
}

int streamRotationDegrees(const AVStream* stream)
{
    if (stream == nullptr) {
        return 0;
    }
    size_t size = 0;
    const uint8_t* matrix = displayMatrixOf(stream, &size);
    if (matrix != nullptr && size >= 9 * sizeof(int32_t)) {
        return normalizeRotationDegrees(
            av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix)));
    }
    const AVDictionaryEntry* entry = av_dict_get(stream->metadata, "rotate", nullptr, 0);
    if (entry != nullptr && entry->value != nullptr) {
        bool ok = false;
        const double degrees = QByteArray(entry->value).trimmed().toDouble(&ok);
        if (ok) {
            return normalizeRotationDegrees(degrees);
        }
    }
    return 0;
}

} // namespace orvi::media::libav
