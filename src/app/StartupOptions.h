#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

namespace orvi::app {

// The command line of orvi-motion: help, version, licences, the two diagnostics flags and an
// optional video to open at start.
class StartupOptions
{
public:
    StartupOptions();

    // Processes the arguments; exits the process for help, version and unknown options.
    void process(const QStringList& arguments);
    // Parses without exiting, for tests; returns false on unknown options.
    bool parse(const QStringList& arguments);

    bool diagnosticsRequested() const;
    bool controlAllowed() const;
    // --licenses: print the licence notice instead of opening the window.
    bool licencesRequested() const;
    // The video named on the command line as an absolute local path; empty when none.
    QString fileToOpen() const;

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_mcpDebug;
    QCommandLineOption m_mcpControl;
    QCommandLineOption m_licenses;
};

} // namespace orvi::app
