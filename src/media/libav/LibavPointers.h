#pragma once

// Owning handles for every FFmpeg object the media layer creates, plus the one
// conversion of an FFmpeg error code into text. Only src/media/libav includes this.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QFileInfo>
#include <QString>
#include <memory>

namespace orvi::media::libav {

// Input contexts must be closed with avformat_close_input, which also frees them.
struct InputFormatContextDeleter
{
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

// Output contexts own their AVIO handle unless the muxer needs no file or the IO is custom.
struct OutputFormatContextDeleter
{
    void operator()(AVFormatContext* context) const
    {
        if (context == nullptr) {
            return;
        }
        const bool ownsIo = context->pb != nullptr && context->oformat != nullptr &&
                            (context->oformat->flags & AVFMT_NOFILE) == 0 &&
                            (context->flags & AVFMT_FLAG_CUSTOM_IO) == 0;
        if (ownsIo) {
            avio_closep(&context->pb);
        }
        avformat_free_context(context);
    }
};

struct CodecContextDeleter
{
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};

struct FrameDeleter
{
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};

struct PacketDeleter
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

struct SwsContextDeleter
{
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

struct SwrContextDeleter
{
    void operator()(SwrContext* context) const { swr_free(&context); }
};

struct DictionaryDeleter
{
    void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

struct AvioContextDeleter
{
    void operator()(AVIOContext* context) const { avio_closep(&context); }
};

// Memory from av_malloc and friends.
struct AvMemoryDeleter
{
    void operator()(void* memory) const { av_free(memory); }
};

using InputFormatContextPtr = std::unique_ptr<AVFormatContext, InputFormatContextDeleter>;
using OutputFormatContextPtr = std::unique_ptr<AVFormatContext, OutputFormatContextDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;
using DictionaryPtr = std::unique_ptr<AVDictionary, DictionaryDeleter>;
using AvioContextPtr = std::unique_ptr<AVIOContext, AvioContextDeleter>;
template <typename T> using AvMemoryPtr = std::unique_ptr<T, AvMemoryDeleter>;

inline FramePtr makeFrame()
{
    return FramePtr(av_frame_alloc());
}

inline PacketPtr makePacket()
{
    return PacketPtr(av_packet_alloc());
}

inline CodecContextPtr makeCodecContext(const AVCodec* codec)
{
    return CodecContextPtr(avcodec_alloc_context3(codec));
}

// Text of an FFmpeg error code as av_strerror gives it (at most 64 bytes, UTF-8), or the
// code in decimal when av_strerror does not know it.
inline QString libavErrorText(int errorCode)
{
    char buffer[64] = {};
    if (av_strerror(errorCode, buffer, sizeof(buffer)) < 0) {
        return QString::number(errorCode);
    }
    return QString::fromUtf8(buffer, static_cast<qsizetype>(qstrnlen(buffer, sizeof(buffer))));
}

// False for paths that name something other than a regular file: FIFOs and devices would
// block in the open call (where cancellation cannot reach) or never end, and directories
// are no videos. Missing files are left to FFmpeg, which says so.
inline bool isOpenableInputPath(const QString& path)
{
    const QFileInfo info(path);
    return !info.exists() || info.isFile();
}

// Opens an input whose blocking I/O polls `interrupt`. Returns false only when the context
// cannot be allocated; otherwise *result holds avformat_open_input's code.
inline bool openInterruptibleInput(const QString& path, const AVIOInterruptCB& interrupt,
                                   InputFormatContextPtr& input, int* result)
{
    AVFormatContext* context = avformat_alloc_context();
    if (context == nullptr) {
        return false;
    }
    context->interrupt_callback = interrupt;
    // On failure avformat_open_input frees the context and nulls the pointer.
    *result = avformat_open_input(&context, path.toUtf8().constData(), nullptr, nullptr);
    input.reset(context);
    return true;
}

} // namespace orvi::media::libav
