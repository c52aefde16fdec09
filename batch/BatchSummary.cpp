#include "BatchSummary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <algorithm>
#include <map>

namespace orvi::batch {

namespace {

const QString kKind = QStringLiteral("orvi-motion-batch-summary");
constexpr int kCsvCandidates = 3;

QString verbName(BatchVerb verb)
{
    return verb == BatchVerb::Analyse ? QStringLiteral("analyse") : QStringLiteral("amplify");
}

QJsonObject rowOf(const RecordingOutcome& outcome)
{
    QJsonObject row = outcome.figures;
    row.insert(QStringLiteral("index"), outcome.index);
    row.insert(QStringLiteral("file"), outcome.input);
    row.insert(QStringLiteral("status"), statusCode(outcome.status));
    row.insert(QStringLiteral("message"), outcome.message);
    return row;
}

QJsonObject withCounts(QJsonObject document)
{
    std::map<QString, int> counts;
    for (const QJsonValue& row : document.value(QStringLiteral("rows")).toArray())
        ++counts[row.toObject().value(QStringLiteral("status")).toString()];
    QJsonObject byStatus;
    for (const RecordingStatus status :
         {RecordingStatus::Succeeded, RecordingStatus::Skipped, RecordingStatus::Failed,
          RecordingStatus::Cancelled, RecordingStatus::Missing})
        byStatus.insert(statusCode(status), counts[statusCode(status)]);
    document.insert(QStringLiteral("counts"), byStatus);
    return document;
}

QString csvField(const QJsonValue& value)
{
    QString text;
    if (value.isDouble())
        text = QString::number(value.toDouble(), 'g', 10);
    else if (value.isBool())
        text = value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    else if (value.isArray())
        text = value.toVariant().toStringList().join(QLatin1Char(';'));
    else
        text = value.toString();
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
        text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
        text.replace(QLatin1String("\""), QLatin1String("\"\""));
        text = QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

QStringList csvHeader(bool analyse)
{
    QStringList header{"index", "file", "status", "capture_fps", "start_frame", "end_frame"};
    if (analyse) {
        header << "accepted_sites"
               << "site_count";
        for (int k = 1; k <= kCsvCandidates; ++k)
            for (const char* column :
                 {"hz", "bin_hz", "contrast_db", "amplitude", "amplitude_unit", "marks"})
                header << QStringLiteral("f%1_%2").arg(k).arg(QLatin1String(column));
    } else {
        header << "lower_hz"
               << "upper_hz"
               << "factor"
               << "measured_gain"
               << "outputs";
    }
    header << "message";
    return header;
}

QStringList csvRow(const QJsonObject& row, bool analyse)
{
    QStringList fields;
    for (const char* key :
         {"index", "file", "status", "captureFps", "startFrame", "endFrameExclusive"})
        fields << csvField(row.value(QLatin1String(key)));
    if (analyse) {
        fields << csvField(row.value(QStringLiteral("acceptedSites")))
               << csvField(row.value(QStringLiteral("siteCount")));
        const QJsonArray candidates = row.value(QStringLiteral("candidates")).toArray();
        for (int k = 0; k < kCsvCandidates; ++k) {
            const QJsonObject c = candidates.at(k).toObject();
            for (const char* key : {"frequencyHz", "binFrequencyHz", "contrastDb", "amplitude",
                                    "amplitudeUnit", "marks"})
                fields << csvField(c.value(QLatin1String(key)));
        }
    } else {
        for (const char* key : {"lowerHz", "upperHz", "factor", "measuredMotionGain", "outputs"})
            fields << csvField(row.value(QLatin1String(key)));
    }
    fields << csvField(row.value(QStringLiteral("message")));
    return fields;
}

bool isOurJson(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) &&
           QJsonDocument::fromJson(file.read(256 << 20)).object().value(QStringLiteral("kind")) ==
               kKind;
}

bool isOurCsv(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) &&
           file.readLine().startsWith(QByteArray("\xEF\xBB\xBFindex,file,status,"));
}

bool saveAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = BatchSummary::tr("Cannot write the summary %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool isDone(const QJsonObject& row)
{
    return countsAsDone(statusFromCode(row.value(QStringLiteral("status")).toString()));
}

} // namespace

QJsonObject BatchSummary::document(BatchVerb verb, const QStringList& jobInputs,
                                   std::vector<RecordingOutcome> rows)
{
    std::sort(rows.begin(), rows.end(), [](const RecordingOutcome& a, const RecordingOutcome& b) {
        return a.index < b.index;
    });
    QJsonArray list;
    for (const RecordingOutcome& row : rows)
        list.append(rowOf(row));
    return withCounts(QJsonObject{{QStringLiteral("kind"), kKind},
                                  {QStringLiteral("schemaVersion"), 1},
                                  {QStringLiteral("verb"), verbName(verb)},
                                  {QStringLiteral("inputs"), QJsonArray::fromStringList(jobInputs)},
                                  {QStringLiteral("rows"), list}});
}

int BatchSummary::exitStatus(const QJsonObject& document)
{
    const QJsonArray rows = document.value(QStringLiteral("rows")).toArray();
    const auto done = std::count_if(rows.begin(), rows.end(),
                                    [](const QJsonValue& row) { return isDone(row.toObject()); });
    if (done == rows.size())
        return AllSucceeded;
    return done == 0 ? NoneSucceeded : SomeFailed;
}

bool BatchSummary::placeUsable(const QString& basePath, QString* error)
{
    const QString json = basePath + QStringLiteral(".json");
    const QString csv = basePath + QStringLiteral(".csv");
    for (const QString& path : {json, csv}) {
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            continue;
        if (info.isSymLink() || !info.isFile() ||
            !(path == json ? isOurJson(path) : isOurCsv(path))) {
            *error = tr("%1 exists and is not a summary of this program; it is not replaced. "
                        "Choose another place with --summary.")
                         .arg(path);
            return false;
        }
    }
    if (!QDir().mkpath(QFileInfo(json).absolutePath())) {
        *error = tr("Cannot create the folder of the summary %1.").arg(json);
        return false;
    }
    return true;
}

QByteArray BatchSummary::csv(const QJsonObject& document)
{
    const bool analyse =
        document.value(QStringLiteral("verb")).toString() == QLatin1String("analyse");
    QStringList lines{csvHeader(analyse).join(QLatin1Char(','))};
    for (const QJsonValue& row : document.value(QStringLiteral("rows")).toArray())
        lines << csvRow(row.toObject(), analyse).join(QLatin1Char(','));
    return QByteArray("\xEF\xBB\xBF") + lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

bool BatchSummary::write(const QString& basePath, const QJsonObject& document, QString* error)
{
    return placeUsable(basePath, error) &&
           saveAtomically(basePath + QStringLiteral(".json"),
                          QJsonDocument(document).toJson(QJsonDocument::Indented), error) &&
           saveAtomically(basePath + QStringLiteral(".csv"), csv(document), error);
}

QStringList BatchSummary::partsIn(const QStringList& arguments)
{
    QStringList parts;
    for (const QString& argument : arguments) {
        const QFileInfo info(argument);
        if (!info.isDir()) {
            parts << info.absoluteFilePath();
            continue;
        }
        const QDir folder(argument);
        for (const QString& name :
             folder.entryList({QStringLiteral("summary-*.json")}, QDir::Files, QDir::Name))
            parts << folder.absoluteFilePath(name);
    }
    return parts;
}

bool BatchSummary::merge(const QStringList& parts, QJsonObject* document, QString* error)
{
    if (parts.isEmpty()) {
        *error = tr("No summary parts to merge.");
        return false;
    }
    QJsonObject first;
    std::map<int, QJsonObject> rows;
    for (const QString& path : parts) {
        QFile file(path);
        const QJsonObject part = file.open(QIODevice::ReadOnly)
                                     ? QJsonDocument::fromJson(file.read(256 << 20)).object()
                                     : QJsonObject();
        if (part.value(QStringLiteral("kind")).toString() != kKind) {
            *error = tr("%1 is not a summary of this program.").arg(path);
            return false;
        }
        if (first.isEmpty())
            first = part;
        if (part.value(QStringLiteral("verb")) != first.value(QStringLiteral("verb")) ||
            part.value(QStringLiteral("inputs")) != first.value(QStringLiteral("inputs"))) {
            *error = tr("%1 belongs to another job than %2.").arg(path, parts.first());
            return false;
        }
        for (const QJsonValue& value : part.value(QStringLiteral("rows")).toArray()) {
            const QJsonObject row = value.toObject();
            const int index = row.value(QStringLiteral("index")).toInt(-1);
            // A recording run again (a failed shard resubmitted) keeps its successful row.
            auto it = rows.find(index);
            if (it == rows.end() || isDone(row) || !isDone(it->second))
                rows[index] = row;
        }
    }
    const QJsonArray inputs = first.value(QStringLiteral("inputs")).toArray();
    QJsonArray merged;
    for (int index = 0; index < inputs.size(); ++index) {
        auto it = rows.find(index);
        merged.append(
            it != rows.end()
                ? it->second
                : QJsonObject{
                      {QStringLiteral("index"), index},
                      {QStringLiteral("file"), inputs[index]},
                      {QStringLiteral("status"), statusCode(RecordingStatus::Missing)},
                      {QStringLiteral("message"), tr("No summary part reports this recording.")}});
    }
    first.insert(QStringLiteral("rows"), merged);
    *document = withCounts(first);
    return true;
}

} // namespace orvi::batch
