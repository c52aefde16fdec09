#include "BatchSettings.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>
#include <limits>

namespace orvi::batch {

namespace {

const QString kCaptureRate = QStringLiteral("captureRate");
const QString kStart = QStringLiteral("start");
const QString kEnd = QStringLiteral("end");
const QString kRegion = QStringLiteral("region");
const QString kGrid = QStringLiteral("grid");
const QString kWorkers = QStringLiteral("workers");
const QString kKnownLength = QStringLiteral("knownLength");
const QString kExports = QStringLiteral("exports");
const QString kBand = QStringLiteral("band");
const QString kFactor = QStringLiteral("factor");
const QString kParameters = QStringLiteral("parameters");
const QString kRegionOptimization = QStringLiteral("regionOptimization");
const QString kStabilizationRegion = QStringLiteral("stabilizationRegion");
const QString kRotationSpeed = QStringLiteral("rotationSpeedRpm");

QString invalid(const QString& key)
{
    return BatchSettings::tr("The setting \"%1\" has an unusable value.").arg(key);
}

bool wholeNumber(const QJsonValue& value, qint64 minimum, qint64 maximum, qint64* out)
{
    const double v = value.toDouble(std::nan(""));
    if (!value.isDouble() || !std::isfinite(v) || v != std::floor(v) || v < double(minimum) ||
        v > double(maximum))
        return false;
    *out = qint64(v);
    return true;
}

bool numbers(const QJsonValue& value, int count, double* out)
{
    const QJsonArray array = value.toArray();
    if (!value.isArray() || array.size() != count)
        return false;
    for (int i = 0; i < count; ++i) {
        if (!array[i].isDouble() || !std::isfinite(array[i].toDouble()))
            return false;
        out[i] = array[i].toDouble();
    }
    return true;
}

QRectF rectFrom(const double* v)
{
    return QRectF(v[0], v[1], v[2], v[3]);
}

QJsonArray rectArray(const QJsonObject& rect)
{
    return QJsonArray{rect.value(QStringLiteral("x")), rect.value(QStringLiteral("y")),
                      rect.value(QStringLiteral("width")), rect.value(QStringLiteral("height"))};
}

bool readCaptureRate(const QJsonValue& value, RecordingSettings* s)
{
    if (value.toString() == QLatin1String("detected")) {
        s->useDetectedRate = true;
        return true;
    }
    const double rate = value.toDouble(std::nan(""));
    if (!value.isDouble() || !std::isfinite(rate) || rate <= 0.0 || rate > 10000.0)
        return false;
    s->captureRate = rate;
    return true;
}

// Each reader takes one key's value; false when it is unusable.
bool readKey(const QString& key, const QJsonValue& value, RecordingSettings* s)
{
    double v[5];
    qint64 n = 0;
    if (key == kCaptureRate)
        return readCaptureRate(value, s);
    if (key == kStart) {
        if (!wholeNumber(value, 0, std::numeric_limits<qint32>::max(), &n))
            return false;
        s->startFrame = n;
        return true;
    }
    if (key == kEnd) {
        if (!wholeNumber(value, 1, std::numeric_limits<qint32>::max(), &n))
            return false;
        s->endFrame = n;
        return true;
    }
    if (key == kRegion) {
        if (!numbers(value, 4, v))
            return false;
        s->region = rectFrom(v);
        return true;
    }
    if (key == kGrid) {
        if (!wholeNumber(value, 0, 2, &n))
            return false;
        s->gridDensity = int(n);
        return true;
    }
    if (key == kWorkers) {
        if (!wholeNumber(value, 0, 256, &n))
            return false;
        s->workerThreads = int(n);
        return true;
    }
    if (key == kKnownLength) {
        if (!numbers(value, 5, v))
            return false;
        s->knownLength = {QPointF(v[0], v[1]), QPointF(v[2], v[3]), v[4]};
        return true;
    }
    if (key == kExports)
        return BatchSettings::exportsFrom(value, &s->exports, nullptr);
    if (key == kBand) {
        if (!numbers(value, 2, v))
            return false;
        s->lowerHz = v[0];
        s->upperHz = v[1];
        return true;
    }
    if (key == kFactor) {
        s->factor = value.toDouble(std::nan(""));
        return value.isDouble() && std::isfinite(s->factor);
    }
    if (key == kRegionOptimization) {
        s->regionOptimization = value.toBool();
        return value.isBool();
    }
    if (key == kStabilizationRegion) {
        s->stabilization = !value.isNull();
        if (!s->stabilization)
            return true;
        if (!numbers(value, 4, v))
            return false;
        s->stabilizationRegion = rectFrom(v);
        return true;
    }
    if (key == kRotationSpeed) {
        s->rotationSpeedRpm = value.toDouble(std::nan(""));
        return value.isDouble() && std::isfinite(s->rotationSpeedRpm) &&
               s->rotationSpeedRpm >= 0.0;
    }
    if (key == kParameters)
        return value.isString() && !value.toString().isEmpty();
    return false;
}

} // namespace

QStringList BatchSettings::keys()
{
    return {kCaptureRate, kStart,   kEnd,    kRegion,     kGrid,
            kWorkers,     kKnownLength, kExports, kBand,   kFactor,
            kParameters,  kRegionOptimization, kStabilizationRegion, kRotationSpeed};
}

bool BatchSettings::checkKeys(const QJsonObject& object, const QString& where, QString* error)
{
    const QStringList known = keys();
    RecordingSettings scratch;
    for (auto it = object.begin(); it != object.end(); ++it) {
        QString message;
        if (!known.contains(it.key()))
            message = tr("Unknown setting \"%1\".").arg(it.key());
        else if (!readKey(it.key(), it.value(), &scratch))
            message = invalid(it.key());
        if (!message.isEmpty()) {
            if (error)
                *error = where.isEmpty() ? message : where + QStringLiteral(": ") + message;
            return false;
        }
    }
    return true;
}

bool BatchSettings::exportsFrom(const QJsonValue& value, unsigned* exports, QString* error)
{
    static const QStringList names{QStringLiteral("pdf"), QStringLiteral("docx"),
                                   QStringLiteral("csv"), QStringLiteral("json"),
                                   QStringLiteral("png")};
    if (!value.isString() && !value.isArray())
        return false;
    const QJsonArray list = value.isString()
                                ? QJsonArray::fromStringList(value.toString().split(QLatin1Char(',')))
                                : value.toArray();
    unsigned flags = 0;
    for (const QJsonValue& item : list) {
        const int position = names.indexOf(item.toString().trimmed().toLower());
        if (position < 0) {
            if (error)
                *error = tr("Unknown export \"%1\": choose among pdf, docx, csv, json and png.")
                             .arg(item.toString());
            return false;
        }
        flags |= 1u << position;
    }
    *exports = flags;
    return true;
}

bool BatchSettings::keysFromParametersFile(const QString& path, QJsonObject* keys, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("Cannot read the parameters file %1: %2").arg(path, file.errorString());
        return false;
    }
    // A parameters file is a few kilobytes; anything far larger is not one.
    const QJsonDocument document = QJsonDocument::fromJson(file.read(4 << 20));
    const QJsonObject root = document.object();
    const QJsonObject processing = root.value(QStringLiteral("processing")).toObject();
    const QJsonObject fragment = processing.value(QStringLiteral("fragment")).toObject();
    const QJsonObject source = root.value(QStringLiteral("source")).toObject();
    if (root.value(QStringLiteral("schemaVersion")).toInt() != 1 || processing.isEmpty()) {
        *error = tr("%1 is not a parameters file of an amplified video.").arg(path);
        return false;
    }
    QJsonObject out{
        {kCaptureRate, source.value(QStringLiteral("captureFrameRate"))},
        {kStart, fragment.value(QStringLiteral("startFrame"))},
        {kEnd, fragment.value(QStringLiteral("endFrameExclusive"))},
        {kRegion, rectArray(processing.value(QStringLiteral("regionOfInterest")).toObject())},
        {kBand, QJsonArray{processing.value(QStringLiteral("lowerFrequencyHz")),
                           processing.value(QStringLiteral("upperFrequencyHz"))}},
        {kFactor, processing.value(QStringLiteral("amplificationFactor"))},
        {kRegionOptimization,
         processing.value(QStringLiteral("regionProcessingOptimizationEnabled"))},
        {kRotationSpeed, processing.value(QStringLiteral("rotationSpeedRpm"))},
    };
    const QJsonValue stabilization = processing.value(QStringLiteral("stabilizationReferenceRegion"));
    out.insert(kStabilizationRegion,
               stabilization.isObject() ? QJsonValue(rectArray(stabilization.toObject()))
                                        : QJsonValue());
    if (!checkKeys(out, path, error))
        return false;
    *keys = out;
    return true;
}

bool BatchSettings::read(BatchVerb verb, const QJsonObject& merged, RecordingSettings* settings,
                         QString* error, QJsonObject* resolved)
{
    QJsonObject all = merged;
    if (merged.contains(kParameters)) {
        if (verb != BatchVerb::Amplify) {
            *error = tr("A parameters file only applies to amplification.");
            return false;
        }
        QJsonObject fromFile;
        if (!keysFromParametersFile(merged.value(kParameters).toString(), &fromFile, error))
            return false;
        // The object's own keys win over the file's.
        for (auto it = merged.begin(); it != merged.end(); ++it)
            fromFile.insert(it.key(), it.value());
        all = fromFile;
    }
    if (!checkKeys(all, QString(), error))
        return false;
    RecordingSettings s;
    for (auto it = all.begin(); it != all.end(); ++it)
        readKey(it.key(), it.value(), &s);
    if (!all.contains(kCaptureRate)) {
        *error = tr("The capture frame rate is required: state it with --capture-rate or "
                    "\"captureRate\", or ask for the recording's own rate with \"detected\".");
        return false;
    }
    if (all.contains(kEnd) && s.endFrame <= s.startFrame) {
        *error = tr("The end frame must come after the start frame.");
        return false;
    }
    if (verb == BatchVerb::Amplify && (!all.contains(kBand) || !all.contains(kFactor))) {
        *error = tr("Amplification needs a band and a factor, or a parameters file that "
                    "records them.");
        return false;
    }
    *settings = s;
    if (resolved)
        *resolved = all;
    return true;
}

} // namespace orvi::batch
