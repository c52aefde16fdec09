// A video file of any content, opened as the interface opens one: the analyzer probes it
// and decodes its time grid, then a source opens it and decodes, seeks and decodes again.
#include "FuzzSupport.h"
#include "media/libav/LibavRuntime.h"
#include "media/libav/LibavVideoAnalyzer.h"
#include "media/libav/LibavVideoSource.h"

#include <QFile>
#include <QGuiApplication>
#include <cstdlib>

using namespace orvi::media;

namespace {

// Enough frames to pass the first key frame and a seek, few enough to keep runs short.
constexpr int kFramesRead = 8;

QString writeInput(const QByteArray& bytes)
{
    const QString path = orvi::fuzzing::scratchFolder().filePath(QStringLiteral("input.bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
    return path;
}

void readSome(libav::LibavVideoSource& source)
{
    VideoFrame frame;
    for (int i = 0; i < kFramesRead; ++i) {
        if (source.readFrame(frame) != ReadResult::Frame)
            return;
        if (frame.image.isNull())
            std::abort(); // a frame that is reported must carry an image
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    orvi::fuzzing::application<QGuiApplication>(argc, argv);
    libav::LibavRuntime::routeLogMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = writeInput(orvi::fuzzing::bytesOf(data, size));

    libav::LibavVideoAnalyzer analyzer;
    VideoInfo info;
    if (!analyzer.analyze({}, path, &info))
        return 0;
    if (info.frameCount < 0 || !info.frameSize.isValid())
        std::abort(); // an accepted video has a size and a count

    libav::LibavVideoSource source({}, 1);
    if (!source.open(info))
        return 0;
    readSome(source);
    if (info.frameCount > 1 && source.seekToFrame(info.frameCount / 2))
        readSome(source);
    return 0;
}
