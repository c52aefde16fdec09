#include "BatchCommandLine.h"
#include "BatchProgress.h"
#include "BatchRunner.h"
#include "BatchSummary.h"
#include "app/TerminationSignalWatcher.h"
#include "media/VideoBackend.h"
#include "orvi/Version.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QTextStream>
#include <QThread>
#include <QTranslator>
#include <memory>
#include <vector>

using namespace orvi::batch;

namespace {

struct BatchMain
{
    Q_DECLARE_TR_FUNCTIONS(BatchMain)
};

void printError(const QString& message)
{
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << message << Qt::endl;
}

std::vector<std::unique_ptr<QTranslator>> installTranslations()
{
    std::vector<std::unique_ptr<QTranslator>> translators;
    // The engines' texts come from the program's catalogues, the batch's own from its own.
    for (const char* base :
         {"orvi-motion", "orvi-motion_motion_core", "orvi-motion_media", "orvi-motion_batch"}) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(QLocale::system(), QLatin1String(base), QStringLiteral("_"),
                             QStringLiteral(":/i18n"))) {
            QCoreApplication::installTranslator(translator.get());
            translators.push_back(std::move(translator));
        }
    }
    return translators;
}

int merge(const BatchCommandLine::Parsed& parsed)
{
    const QStringList parts = BatchSummary::partsIn(
        parsed.positional.isEmpty() ? QStringList{QDir::currentPath()} : parsed.positional);
    QJsonObject document;
    QString error;
    if (!BatchSummary::merge(parts, &document, &error)) {
        printError(error);
        return BatchSummary::NotStarted;
    }
    const QString base =
        !parsed.summaryBase.isEmpty()
            ? parsed.summaryBase
            : QFileInfo(parts.first()).absoluteDir().filePath(QStringLiteral("summary"));
    if (!BatchSummary::write(base, document, &error)) {
        printError(error);
        return BatchSummary::NotStarted;
    }
    QTextStream(stdout)
        << BatchMain::tr("Merged %1 parts into %2.json and %2.csv.").arg(parts.size()).arg(base)
        << Qt::endl;
    return BatchSummary::exitStatus(document);
}

int listJob(const BatchJob& job)
{
    QTextStream out(stdout);
    for (const BatchRecording& recording : job.recordings)
        out << recording.index << '\t' << recording.input << '\n';
    return BatchSummary::AllSucceeded;
}

// Recordings at once and worker threads each: with more recordings than processors each gets
// one thread, as decoding runs beside the analysis anyway; fewer share the processors out.
BatchRunner::Options runOptions(const BatchCommandLine::Parsed& parsed, int selected)
{
    const int processors = std::max(QThread::idealThreadCount(), 1);
    BatchRunner::Options options;
    options.parallel =
        std::max(1, std::min(parsed.parallel > 0 ? parsed.parallel : processors, selected));
    options.workerThreads = std::max(1, processors / options.parallel);
    options.memoryLimitBytes =
        parsed.memoryLimitBytes > 0 ? parsed.memoryLimitBytes : MemoryGate::defaultLimitBytes();
    return options;
}

int run(const BatchCommandLine::Parsed& parsed, const BatchJob& job)
{
    std::vector<int> selection;
    QString partName;
    QString error;
    if (!BatchCommandLine::selection(parsed, int(job.recordings.size()), &selection, &partName,
                                     &error)) {
        printError(error);
        return BatchSummary::NotStarted;
    }
    const QString base =
        !parsed.summaryBase.isEmpty()
            ? QDir::current().absoluteFilePath(parsed.summaryBase)
            : QDir(job.outputFolder)
                  .filePath(partName.isEmpty() ? QStringLiteral("summary")
                                               : QStringLiteral("summary-") + partName);
    if (!QDir().mkpath(job.outputFolder)) {
        printError(BatchMain::tr("Cannot create the output folder %1.").arg(job.outputFolder));
        return BatchSummary::NotStarted;
    }
    // Checked first: a run whose summary could not be written would be lost work.
    if (!BatchSummary::placeUsable(base, &error)) {
        printError(error);
        return BatchSummary::NotStarted;
    }

    const BatchRunner::Options options = runOptions(parsed, int(selection.size()));
    BatchProgress progress(int(selection.size()),
                           !parsed.plain && BatchProgress::standardErrorIsTerminal());
    QTextStream(stderr) << BatchMain::tr("%1 of %2 recordings, %3 at once, memory bound %4 MiB.")
                               .arg(selection.size())
                               .arg(job.recordings.size())
                               .arg(options.parallel)
                               .arg(options.memoryLimitBytes >> 20)
                        << Qt::endl;
    BatchRunner runner(job, selection, options, &progress);
    // A termination signal ends the event loop; what runs is then stopped, and the summary
    // still says what was done.
    orvi::app::TerminationSignalWatcher signalWatcher;
    QObject::connect(&runner, &BatchRunner::finished, qApp, [] { QCoreApplication::exit(0); });
    runner.start();
    QCoreApplication::exec();
    const bool interrupted = !runner.isFinished();
    runner.cancel();
    runner.wait();
    progress.finish();

    QStringList inputs;
    for (const BatchRecording& recording : job.recordings)
        inputs << recording.input;
    const QJsonObject document = BatchSummary::document(job.verb, inputs, runner.outcomes());
    if (!BatchSummary::write(base, document, &error)) {
        printError(error);
        return BatchSummary::NotStarted;
    }
    const QJsonObject counts = document.value(QStringLiteral("counts")).toObject();
    QTextStream(stdout) << BatchMain::tr("%1 done, %2 skipped, %3 failed, %4 stopped. Summary: "
                                         "%5.json and %5.csv")
                               .arg(counts.value(QStringLiteral("ok")).toInt())
                               .arg(counts.value(QStringLiteral("skipped")).toInt())
                               .arg(counts.value(QStringLiteral("failed")).toInt())
                               .arg(counts.value(QStringLiteral("cancelled")).toInt())
                               .arg(base)
                        << Qt::endl;
    return interrupted ? int(BatchSummary::Interrupted) : BatchSummary::exitStatus(document);
}

} // namespace

int main(int argc, char* argv[])
{
    // Reports draw text and pages; no display is needed for that.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("ORVI"));
    QCoreApplication::setApplicationName(QStringLiteral("orvi-motion-batch"));
    QCoreApplication::setApplicationVersion(QLatin1String(orvi::version::kText));
    const auto translators = installTranslations();
    orvi::media::VideoBackend::routeLogMessages();

    BatchCommandLine::Parsed parsed;
    QString error;
    if (!BatchCommandLine::parse(QCoreApplication::arguments(), &parsed, &error)) {
        printError(error);
        return BatchSummary::NotStarted;
    }
    if (parsed.verb == BatchCommandLine::Verb::Merge)
        return merge(parsed);
    if (!orvi::media::VideoBackend::check(&error)) {
        printError(error);
        return BatchSummary::NotStarted;
    }
    const BatchVerb verb =
        parsed.verb == BatchCommandLine::Verb::Amplify ? BatchVerb::Amplify : BatchVerb::Analyse;
    BatchJob job;
    if (!BatchJobLoader::load(verb, parsed.sources, &job, &error)) {
        printError(error);
        return BatchSummary::NotStarted;
    }
    if (parsed.verb == BatchCommandLine::Verb::List)
        return listJob(job);
    return run(parsed, job);
}
