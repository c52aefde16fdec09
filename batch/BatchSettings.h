#pragma once

#include "records/LengthScale.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace orvi::batch {

enum class BatchVerb
{
    Analyse,
    Amplify
};

// The analysis exports a recording may get; "csv" and "png" each stand for two files.
enum ExportFlag : unsigned
{
    ExportPdf = 1u << 0,
    ExportDocx = 1u << 1,
    ExportCsv = 1u << 2,
    ExportJson = 1u << 3,
    ExportPng = 1u << 4,
};

// One recording's settings, read from the merged settings object of a job. Settings are kept
// as JSON until then so that options, job defaults and per-recording overrides merge key by
// key and are validated by one reader.
struct RecordingSettings
{
    double captureRate = 0.0;     // stated rate; 0 with useDetectedRate
    bool useDetectedRate = false; // the rate the file itself declares
    qint64 startFrame = 0;
    qint64 endFrame = -1; // exclusive; -1 = as long as the recording and the grid allow
    QRectF region{0.0, 0.0, 1.0, 1.0};
    int gridDensity = 1;
    int workerThreads = 0; // 0 = chosen by the runner
    project_data::LengthScale knownLength;
    unsigned exports = ExportPdf | ExportJson;
    // Amplification only.
    double lowerHz = 0.0;
    double upperHz = 0.0;
    double factor = 0.0;
    bool regionOptimization = true;
    bool stabilization = false;
    QRectF stabilizationRegion;
    double rotationSpeedRpm = 0.0;
};

class BatchSettings
{
    Q_DECLARE_TR_FUNCTIONS(BatchSettings)

public:
    // Every key a settings object may hold.
    static QStringList keys();
    // Checks a settings object's keys and value types; `where` names it in the message.
    static bool checkKeys(const QJsonObject& object, const QString& where, QString* error);
    // Reads a merged settings object. A key naming a parameters file brings that file's settings
    // in underneath the object's own keys.
    // `resolved`, when given, receives every key that applied, the parameters file's included.
    static bool read(BatchVerb verb, const QJsonObject& merged, RecordingSettings* settings,
                     QString* error, QJsonObject* resolved = nullptr);
    // The settings a parameters file records, as settings keys.
    static bool keysFromParametersFile(const QString& path, QJsonObject* keys, QString* error);
    // Export names as the job file and the command line write them.
    static bool exportsFrom(const QJsonValue& value, unsigned* exports, QString* error);
};

} // namespace orvi::batch
