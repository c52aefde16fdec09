#pragma once

#include <QString>
#include <QStringList>

namespace orvi::test {

// Absolute path of an external tool (ffmpeg, ffprobe, qpdf, ...) or empty when missing.
QString findTool(const QString& name);

// Runs a tool to completion; returns false (with its output in *output) on failure.
bool runTool(const QString& program, const QStringList& arguments, QString* output = nullptr,
             int timeoutMs = 120000);

// The build tree of the running test (bin/ holds the programs).
QString testBinaryDir();
// The tests folder of the source tree (compiled paths are relative, so not __FILE__).
QString testSourceDir();

} // namespace orvi::test
