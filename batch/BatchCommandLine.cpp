#include "BatchCommandLine.h"

#include "MemoryGate.h"

#include <QCommandLineParser>
#include <QDir>
#include <QJsonArray>
#include <QRegularExpression>
#include <cmath>
#include <set>

namespace orvi::batch {

namespace {

struct SettingOption
{
    const char* name;
    const char* key;
    enum
    {
        Number,
        WholeNumber,
        Numbers,
        Text,
        Path,
        Flag
    } kind;
    int count;
};

// Options that set a recording's settings, by settings key.
const SettingOption kSettingOptions[] = {
    {"capture-rate", "captureRate", SettingOption::Number, 1},
    {"start", "start", SettingOption::WholeNumber, 1},
    {"end", "end", SettingOption::WholeNumber, 1},
    {"region", "region", SettingOption::Numbers, 4},
    {"grid", "grid", SettingOption::WholeNumber, 1},
    {"workers", "workers", SettingOption::WholeNumber, 1},
    {"known-length", "knownLength", SettingOption::Numbers, 5},
    {"exports", "exports", SettingOption::Text, 1},
    {"band", "band", SettingOption::Numbers, 2},
    {"factor", "factor", SettingOption::Number, 1},
    {"parameters", "parameters", SettingOption::Path, 1},
    {"no-region-optimization", "regionOptimization", SettingOption::Flag, 0},
    {"camera-reference", "stabilizationRegion", SettingOption::Numbers, 4},
};

QList<QCommandLineOption> settingOptions()
{
    return {
        {"capture-rate",
         BatchCommandLine::tr(
             "Capture frame rate of the camera in fps, or \"detected\" for the rate each file "
             "declares. Required."),
         "fps"},
        {"start", BatchCommandLine::tr("First frame, from 0 (default 0)."), "frame"},
        {"end",
         BatchCommandLine::tr(
             "End frame, exclusive (default: the whole recording, as far as the analysis "
             "grid allows)."),
         "frame"},
        {"region",
         BatchCommandLine::tr(
             "Region as fractions of the frame: x,y,width,height (default 0,0,1,1)."),
         "x,y,w,h"},
        {"grid",
         BatchCommandLine::tr("Analysis grid: 0 (16 x 8), 1 (32 x 16, default) or 2 (64 x 32)."),
         "index"},
        {"workers",
         BatchCommandLine::tr("Worker threads per recording (default: shared out by the run)."),
         "count"},
        {"known-length",
         BatchCommandLine::tr(
             "A known length: two points as fractions of the frame and their distance in "
             "millimetres; amplitudes are then in micrometres."),
         "x1,y1,x2,y2,mm"},
        {"exports",
         BatchCommandLine::tr(
             "Exports of each analysed recording, among pdf, docx, csv, json and png "
             "(default pdf,json)."),
         "list"},
        {"band", BatchCommandLine::tr("Amplified band in Hz: lower,upper."), "lower,upper"},
        {"factor", BatchCommandLine::tr("Amplification factor."), "factor"},
        {"parameters",
         BatchCommandLine::tr(
             "Take the amplification settings from the parameters file of an earlier export; "
             "other options override them."),
         "file"},
        {"no-region-optimization",
         BatchCommandLine::tr("Amplify the whole frame, not only around the region.")},
        {"camera-reference",
         BatchCommandLine::tr(
             "Compensate camera motion, measured on this still part of the scene as fractions "
             "of the frame: x,y,width,height. Removes the camera's shift from the analysis and "
             "the amplification; rotation, zoom and parallax remain."),
         "x,y,w,h"},
    };
}

bool settingValue(const SettingOption& option, const QString& text, QJsonValue* value)
{
    const QStringList parts = text.split(QLatin1Char(','));
    QJsonArray numbers;
    bool allNumbers = true;
    for (const QString& part : parts) {
        bool ok = false;
        const double v = part.trimmed().toDouble(&ok);
        allNumbers = allNumbers && ok && std::isfinite(v);
        numbers.append(v);
    }
    if (!allNumbers)
        numbers = {};
    switch (option.kind) {
    case SettingOption::Number:
    case SettingOption::WholeNumber:
        if (option.key == QLatin1String("captureRate") && text == QLatin1String("detected")) {
            *value = text;
            return true;
        }
        *value = numbers.size() == 1 && parts.size() == 1 ? numbers.first() : QJsonValue();
        return !value->isNull();
    case SettingOption::Numbers:
        *value = numbers;
        return numbers.size() == option.count && parts.size() == option.count;
    case SettingOption::Text:
        *value = text;
        return true;
    case SettingOption::Path:
        *value = QDir::cleanPath(QDir::current().absoluteFilePath(text));
        return !text.isEmpty();
    case SettingOption::Flag:
        *value = false;
        return true;
    }
    return false;
}

// "3", "0,4,7", "2-5" and their mixtures.
bool parseIndexes(const QString& text, std::set<int>* indexes)
{
    static const QRegularExpression item(QStringLiteral("^\\s*(\\d+)\\s*(?:-\\s*(\\d+)\\s*)?$"));
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QRegularExpressionMatch match = item.match(part);
        if (!match.hasMatch())
            return false;
        const int first = match.captured(1).toInt();
        const int last = match.captured(2).isEmpty() ? first : match.captured(2).toInt();
        if (last < first || last - first > 1000000)
            return false;
        for (int i = first; i <= last; ++i)
            indexes->insert(i);
    }
    return true;
}

} // namespace

bool BatchCommandLine::parse(const QStringList& arguments, Parsed* parsed, QString* error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Spectrum analysis or motion amplification of many recordings without the window.\n\n"
           "Verbs:\n"
           "  analyse  spectrum analysis and exports of each recording, and a summary table\n"
           "  amplify  amplified video and parameters file of each recording\n"
           "  list     the job's recordings with their indexes, for job runners\n"
           "  merge    one summary from the summaries of shards"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("verb"), tr("analyse, amplify, list or merge."));
    parser.addPositionalArgument(
        QStringLiteral("inputs"),
        tr("Video files or folders of them; for merge, summary parts or the folder that holds "
           "them."),
        QStringLiteral("[inputs...]"));
    const QCommandLineOption job(
        QStringLiteral("job"), tr("Job file (JSON): defaults, recordings and their own settings."),
        QStringLiteral("file"));
    const QCommandLineOption list(QStringLiteral("list"),
                                  tr("File that names one recording a line."),
                                  QStringLiteral("file"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    tr("Folder of the outputs and the summary (default: the job "
                                       "file's \"output\", else the current folder)."),
                                    QStringLiteral("folder"));
    const QCommandLineOption only(QStringLiteral("only"),
                                  tr("Run only these recordings of the job, by index from 0: "
                                     "3, 0,4,7 or 2-5."),
                                  QStringLiteral("indexes"));
    const QCommandLineOption shard(QStringLiteral("shard"),
                                   tr("Run only shard K of N: the recordings whose index modulo N "
                                      "is K."),
                                   QStringLiteral("K/N"));
    const QCommandLineOption parallel({QStringLiteral("j"), QStringLiteral("parallel")},
                                      tr("Recordings processed at once (default: the number of "
                                         "processors)."),
                                      QStringLiteral("count"));
    const QCommandLineOption memory(QStringLiteral("memory-limit"),
                                    tr("Memory the run may use, such as 4G or 800M (default: half "
                                       "of the machine's, less when less is free)."),
                                    QStringLiteral("size"));
    const QCommandLineOption summary(QStringLiteral("summary"),
                                     tr("Path of the summary without extension (default: "
                                        "summary in the output folder, or summary-PART for a "
                                        "part of the job)."),
                                     QStringLiteral("path"));
    const QCommandLineOption plain(QStringLiteral("plain"),
                                   tr("Progress as plain lines even on a terminal."));
    parser.addOptions({job, list, output, only, shard, parallel, memory, summary, plain});
    const QList<QCommandLineOption> settings = settingOptions();
    parser.addOptions(settings);

    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    QStringList positional = parser.positionalArguments();
    const QStringList verbs{QStringLiteral("analyse"), QStringLiteral("amplify"),
                            QStringLiteral("merge"), QStringLiteral("list")};
    QString verb = positional.isEmpty() ? QString() : positional.takeFirst();
    if (verb == QLatin1String("analyze"))
        verb = QStringLiteral("analyse");
    if (!verbs.contains(verb)) {
        *error = tr("Name a verb first: analyse, amplify, list or merge.");
        return false;
    }
    Parsed out;
    out.verb = Verb(verbs.indexOf(verb));
    out.positional = positional;
    out.sources.inputs = positional;
    out.sources.jobFile = parser.value(job);
    out.sources.listFile = parser.value(list);
    out.sources.outputFolder = parser.value(output);
    out.only = parser.value(only);
    out.shard = parser.value(shard);
    out.summaryBase = parser.value(summary);
    out.plain = parser.isSet(plain);
    if (parser.isSet(parallel)) {
        bool ok = false;
        out.parallel = parser.value(parallel).toInt(&ok);
        if (!ok || out.parallel < 1 || out.parallel > 256) {
            *error = tr("--parallel takes a count from 1 to 256.");
            return false;
        }
    }
    if (parser.isSet(memory)) {
        out.memoryLimitBytes = MemoryGate::parseSize(parser.value(memory));
        if (out.memoryLimitBytes < 1) {
            *error = tr("--memory-limit takes a size such as 4G or 800M.");
            return false;
        }
    }
    for (const SettingOption& option : kSettingOptions) {
        const QString name = QLatin1String(option.name);
        if (!parser.isSet(name))
            continue;
        QJsonValue value;
        if (!settingValue(option, parser.value(name), &value)) {
            *error = tr("The option --%1 has an unusable value: %2").arg(name, parser.value(name));
            return false;
        }
        out.sources.options.insert(QLatin1String(option.key), value);
    }
    *parsed = out;
    return BatchSettings::checkKeys(out.sources.options, tr("options"), error);
}

bool BatchCommandLine::selection(const Parsed& parsed, int recordingCount,
                                 std::vector<int>* indexes, QString* partName, QString* error)
{
    indexes->clear();
    if (!parsed.only.isEmpty() && !parsed.shard.isEmpty()) {
        *error = tr("Give --only or --shard, not both.");
        return false;
    }
    if (!parsed.only.isEmpty()) {
        std::set<int> chosen;
        if (!parseIndexes(parsed.only, &chosen) || *chosen.rbegin() >= recordingCount) {
            *error = tr("--only takes indexes from 0 to %1, such as 3, 0,4,7 or 2-5.")
                         .arg(recordingCount - 1);
            return false;
        }
        indexes->assign(chosen.begin(), chosen.end());
        QString name = parsed.only;
        name.remove(QLatin1Char(' '));
        *partName = QStringLiteral("only-") + name.replace(QLatin1Char(','), QLatin1Char('_'));
        return true;
    }
    if (!parsed.shard.isEmpty()) {
        static const QRegularExpression pattern(QStringLiteral("^(\\d+)/(\\d+)$"));
        const QRegularExpressionMatch match = pattern.match(parsed.shard.trimmed());
        const int k = match.captured(1).toInt();
        const int n = match.captured(2).toInt();
        if (!match.hasMatch() || n < 1 || k >= n) {
            *error = tr("--shard takes K/N with K from 0 to N - 1, such as 0/4.");
            return false;
        }
        for (int i = k; i < recordingCount; i += n)
            indexes->push_back(i);
        *partName = QStringLiteral("shard-%1-of-%2").arg(k).arg(n);
        return true;
    }
    for (int i = 0; i < recordingCount; ++i)
        indexes->push_back(i);
    partName->clear();
    return true;
}

} // namespace orvi::batch
