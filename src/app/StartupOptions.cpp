#include "app/StartupOptions.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace orvi::app {

StartupOptions::StartupOptions()
    : m_mcpDebug(
          QStringLiteral("mcp-debug"),
          QCoreApplication::translate(
              "Application", "Enable the local MCP diagnostics interface in read-only mode.")),
      m_mcpControl(QStringLiteral("mcp-control"),
                   QCoreApplication::translate(
                       "Application",
                       "Allow the local MCP diagnostics interface to change application state.")),
      m_licenses(QStringLiteral("licenses"),
                 QCoreApplication::translate("Application",
                                             "Show the licences of the program and of the "
                                             "libraries it loads, then exit."))
{
    m_parser.setApplicationDescription(QCoreApplication::translate(
        "Application", "Video motion amplification for technical equipment."));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOption(m_mcpDebug);
    m_parser.addOption(m_mcpControl);
    m_parser.addOption(m_licenses);
    m_parser.addPositionalArgument(
        QStringLiteral("file"),
        QCoreApplication::translate("Application", "Video file to open at start."),
        QStringLiteral("[file]"));
}

void StartupOptions::process(const QStringList& arguments)
{
    m_parser.process(arguments);
}

bool StartupOptions::parse(const QStringList& arguments)
{
    return m_parser.parse(arguments);
}

bool StartupOptions::diagnosticsRequested() const
{
    return m_parser.isSet(m_mcpDebug) || m_parser.isSet(m_mcpControl);
}

bool StartupOptions::controlAllowed() const
{
    return m_parser.isSet(m_mcpControl);
}

bool StartupOptions::licencesRequested() const
{
    return m_parser.isSet(m_licenses);
}

} // namespace orvi::app

namespace orvi::app {

QString StartupOptions::fileToOpen() const
{
    const QStringList positional = m_parser.positionalArguments();
    return positional.isEmpty() ? QString() : QFileInfo(positional.first()).absoluteFilePath();
}

} // namespace orvi::app
