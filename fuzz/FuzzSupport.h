#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <memory>

// Helpers shared by the fuzz targets: every target runs inside one long-lived Qt application
// object and keeps its files in a private temporary folder that goes when the process ends.
namespace orvi::fuzzing {

inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Process-wide scratch folder; made on first use.
inline const QDir& scratchFolder()
{
    static const auto folder = [] {
        auto temporary = std::make_unique<QTemporaryDir>();
        temporary->setAutoRemove(true);
        return temporary;
    }();
    static const QDir dir(folder->path());
    return dir;
}

// Log lines of the code under test would drown the fuzzer's own report.
inline void silenceMessages()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

// Makes the application object of type App once, with the arguments libFuzzer was given, and
// keeps the code under test quiet.
template <typename App> App& application(int* argc, char*** argv)
{
    static App app(*argc, *argv);
    silenceMessages();
    return app;
}

} // namespace orvi::fuzzing
