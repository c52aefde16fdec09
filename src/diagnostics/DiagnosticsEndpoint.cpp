#include "diagnostics/DiagnosticsEndpoint.h"

#include "diagnostics/DescriptorFile.h"
#include "diagnostics/RuntimeDirectory.h"

#include <QDir>

namespace orvi::diagnostics::service {

namespace {

// A Unix socket's path holds at most 107 bytes, and an owner-only socket is first bound under a
// slightly longer temporary name beside it. A temporary folder deep in a build tree does not
// leave room for that, so the socket then goes to the system's own short temporary folder; the
// descriptor's "socketPath" tells clients where it is.
QString listenAddressFor(const QString& socketName)
{
#ifdef Q_OS_UNIX
    constexpr qsizetype kLongestFittingPath = 107 - 16;
    const QString preferred = QDir(QDir::tempPath()).filePath(socketName);
    if (preferred.toUtf8().size() <= kLongestFittingPath)
        return preferred;
    return QDir(QStringLiteral("/tmp")).filePath(socketName);
#else
    return socketName;
#endif
}

} // namespace

DiagnosticsEndpoint::DiagnosticsEndpoint(IDiagnosticsDispatcher& dispatcher, QObject* parent)
    : QObject(parent), server_(dispatcher)
{}

DiagnosticsEndpoint::~DiagnosticsEndpoint()
{
    stop();
}

bool DiagnosticsEndpoint::start(bool controlEnabled, QString* errorCode)
{
    if (started_) {
        if (descriptor_.controlEnabled == controlEnabled)
            return true;
        if (errorCode)
            *errorCode = QStringLiteral("already_running");
        return false;
    }
    const QString directory =
        runtimeDirectory_.isEmpty() ? RuntimeDirectory::path() : runtimeDirectory_;
    if (!RuntimeDirectory::prepare(directory, errorCode))
        return false;

    descriptor_ = InstanceDescriptor::create(controlEnabled);
    if (!server_.listen(listenAddressFor(descriptor_.socketName), descriptor_.token, errorCode)) {
        clear();
        return false;
    }
    descriptor_.socketPath = server_.fullServerName();
    descriptorPath_ =
        QDir(directory).filePath(InstanceDescriptor::fileNameFor(descriptor_.instanceId));
    if (!DescriptorFile::write(descriptor_, descriptorPath_, errorCode)) {
        server_.close();
        clear();
        return false;
    }
    started_ = true;
    return true;
}

void DiagnosticsEndpoint::stop()
{
    server_.close();
    DescriptorFile::remove(descriptorPath_);
    clear();
}

void DiagnosticsEndpoint::clear()
{
    // The token lives only as long as the publication.
    descriptor_ = InstanceDescriptor();
    descriptorPath_.clear();
    started_ = false;
}

} // namespace orvi::diagnostics::service
