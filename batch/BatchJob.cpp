#include "BatchJob.h"

#include "media/VideoFileTypes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

namespace orvi::batch {

namespace {

// A job file is a description, not data: a few megabytes hold thousands of recordings.
constexpr qint64 kMaximumJobFileBytes = 16 << 20;

QString absoluteIn(const QDir& base, const QString& path)
{
    return QDir::cleanPath(base.absoluteFilePath(path));
}

// File paths among the settings are taken relative to the file that named them.
QJsonObject withAbsolutePaths(QJsonObject settings, const QDir& base)
{
    const QString parameters = QStringLiteral("parameters");
    if (settings.value(parameters).isString())
        settings.insert(parameters, absoluteIn(base, settings.value(parameters).toString()));
    return settings;
}

QJsonObject merged(QJsonObject under, const QJsonObject& over)
{
    for (auto it = over.begin(); it != over.end(); ++it)
        under.insert(it.key(), it.value());
    return under;
}

bool addInput(const QString& path, QStringList* inputs, QString* error)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        const QStringList videos = BatchJobLoader::videosIn(path);
        if (videos.isEmpty()) {
            *error = BatchJobLoader::tr("The folder %1 holds no video files.").arg(path);
            return false;
        }
        *inputs += videos;
        return true;
    }
    // A missing file stays in the job: it fails as a recording, with its reason in the summary.
    inputs->append(QDir::cleanPath(info.absoluteFilePath()));
    return true;
}

struct JobFile
{
    QString verb;
    QString output;
    QJsonObject defaults;
    std::vector<std::pair<QString, QJsonObject>> recordings; // input and its own keys
};

bool readJobFile(const QString& path, JobFile* job, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = BatchJobLoader::tr("Cannot read the job file %1: %2").arg(path, file.errorString());
        return false;
    }
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(file.read(kMaximumJobFileBytes), &parse);
    if (!document.isObject()) {
        *error = BatchJobLoader::tr("The job file %1 is not a JSON object: %2")
                     .arg(path, parse.error == QJsonParseError::NoError ? QStringLiteral("-")
                                                                        : parse.errorString());
        return false;
    }
    const QJsonObject root = document.object();
    const QStringList known{"verb", "output", "defaults", "recordings", "folder", "list"};
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (!known.contains(it.key())) {
            *error = BatchJobLoader::tr("The job file %1 has an unknown key \"%2\".")
                         .arg(path, it.key());
            return false;
        }
    }
    const QDir base = QFileInfo(path).absoluteDir();
    job->verb = root.value(QStringLiteral("verb")).toString();
    if (root.contains(QStringLiteral("output")))
        job->output = absoluteIn(base, root.value(QStringLiteral("output")).toString());
    job->defaults = withAbsolutePaths(root.value(QStringLiteral("defaults")).toObject(), base);
    if (!BatchSettings::checkKeys(job->defaults, BatchJobLoader::tr("defaults"), error))
        return false;
    const QJsonArray recordings = root.value(QStringLiteral("recordings")).toArray();
    for (qsizetype i = 0; i < recordings.size(); ++i) {
        QJsonObject own = recordings[i].isString()
                              ? QJsonObject{{QStringLiteral("input"), recordings[i]}}
                              : recordings[i].toObject();
        const QString input = own.take(QStringLiteral("input")).toString();
        if (input.isEmpty()) {
            *error = BatchJobLoader::tr("Recording %1 of the job file names no \"input\".").arg(i);
            return false;
        }
        own = withAbsolutePaths(own, base);
        if (!BatchSettings::checkKeys(own, input, error))
            return false;
        job->recordings.emplace_back(absoluteIn(base, input), own);
    }
    QStringList more;
    const QString folder = root.value(QStringLiteral("folder")).toString();
    if (!folder.isEmpty() && !addInput(absoluteIn(base, folder), &more, error))
        return false;
    const QString list = root.value(QStringLiteral("list")).toString();
    if (!list.isEmpty() && !BatchJobLoader::readList(absoluteIn(base, list), &more, error))
        return false;
    for (const QString& input : more)
        job->recordings.emplace_back(input, QJsonObject());
    return true;
}

QString verbName(BatchVerb verb)
{
    return verb == BatchVerb::Analyse ? QStringLiteral("analyse") : QStringLiteral("amplify");
}

} // namespace

QStringList BatchJobLoader::videosIn(const QString& folder)
{
    QStringList patterns;
    for (const QString& extension : media::VideoFileTypes::extensions())
        patterns << QStringLiteral("*.") + extension << QStringLiteral("*.") + extension.toUpper();
    QStringList videos;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(patterns, QDir::Files, QDir::Name))
        videos << QDir::cleanPath(dir.absoluteFilePath(name));
    videos.removeDuplicates();
    return videos;
}

bool BatchJobLoader::readList(const QString& path, QStringList* inputs, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = tr("Cannot read the list file %1: %2").arg(path, file.errorString());
        return false;
    }
    const QDir base = QFileInfo(path).absoluteDir();
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')) &&
            !addInput(absoluteIn(base, line), inputs, error))
            return false;
    }
    return true;
}

bool BatchJobLoader::load(BatchVerb verb, const JobSources& sources, BatchJob* job,
                          QString* error)
{
    JobFile file;
    if (!sources.jobFile.isEmpty() && !readJobFile(sources.jobFile, &file, error))
        return false;
    if (!file.verb.isEmpty() && file.verb != verbName(verb)) {
        *error = tr("The job file is for \"%1\", not for \"%2\".").arg(file.verb, verbName(verb));
        return false;
    }
    QStringList inputs;
    if (!sources.listFile.isEmpty() && !readList(sources.listFile, &inputs, error))
        return false;
    for (const QString& input : sources.inputs)
        if (!addInput(input, &inputs, error))
            return false;
    for (const QString& input : inputs)
        file.recordings.emplace_back(input, QJsonObject());
    if (file.recordings.empty()) {
        *error = tr("No recordings to process: name video files or folders, a list file or a "
                    "job file.");
        return false;
    }

    BatchJob out;
    out.verb = verb;
    out.outputFolder = !sources.outputFolder.isEmpty()
                           ? QDir::cleanPath(QDir::current().absoluteFilePath(sources.outputFolder))
                       : !file.output.isEmpty() ? file.output
                                                : QDir::currentPath();
    const QJsonObject common = merged(file.defaults, sources.options);
    // Outputs are named after the recording; two recordings of one name would collide.
    QHash<QString, QString> stems;
    for (const auto& [input, own] : file.recordings) {
        BatchRecording recording;
        recording.index = int(out.recordings.size());
        recording.input = input;
        recording.settings = merged(common, own);
        recording.outputStem = QFileInfo(input).completeBaseName();
        const QString key = recording.outputStem.toCaseFolded();
        if (stems.contains(key)) {
            *error = tr("Two recordings would write the same outputs: %1 and %2. Rename one or "
                        "process them into different output folders.")
                         .arg(stems.value(key), input);
            return false;
        }
        stems.insert(key, input);
        out.recordings.push_back(recording);
    }
    *job = std::move(out);
    return true;
}

} // namespace orvi::batch
