#pragma once

#include "diagnostics/InstanceDescriptor.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real orvi-motion started with a diagnostics flag, offscreen, with a temporary folder
// and a runtime folder of its own (TMPDIR, XDG_RUNTIME_DIR) that no client is told about;
// only HOME is shared with the test, whose process must have the same HOME.
class ProgramInstance
{
public:
    ProgramInstance(const QString& flag, const QString& home);
    ~ProgramInstance();

    // Waits until the program has published its descriptor; false when it did not.
    bool waitForDescriptor(int timeoutMs = 60000);
    const orvi::diagnostics::InstanceDescriptor& descriptor() const { return descriptor_; }
    QString descriptorPath() const { return descriptorPath_; }
    QString temporaryFolder() const { return scratch_.filePath(QStringLiteral("tmp")); }

    // Asks the program to end as the session would (SIGTERM); its exit code, or -1 when it
    // did not end normally.
    int terminate();
    void kill();
    QByteArray output();

    static QString programPath();

private:
    QTemporaryDir scratch_;
    QProcess process_;
    orvi::diagnostics::InstanceDescriptor descriptor_;
    QString descriptorPath_;
};
