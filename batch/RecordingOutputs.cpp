#include "RecordingOutputs.h"

#include "reports/ExportPublication.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

namespace orvi::batch {

namespace {

const QString kManifestKind = QStringLiteral("orvi-motion-batch-manifest");
constexpr qint64 kSampledBytes = 1 << 20;

bool exists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

RecordingOutputs::RecordingOutputs(const QString& folder, const QString& stem)
    : m_folder(folder), m_stem(stem)
{
}

RecordingOutputs::~RecordingOutputs()
{
    discard();
}

QString RecordingOutputs::finalPath(const QString& name) const
{
    return QDir(m_folder).absoluteFilePath(name);
}

QString RecordingOutputs::manifestName() const
{
    return m_stem + QStringLiteral(".batch.json");
}

RecordingOutputs::Previous RecordingOutputs::previous(const QByteArray& fingerprint,
                                                      const QStringList& plannedNames,
                                                      QJsonObject* figures, QString* reason) const
{
    const QString manifestPath = finalPath(manifestName());
    if (exists(manifestPath)) {
        QFile file(manifestPath);
        const QJsonObject manifest = file.open(QIODevice::ReadOnly)
                                         ? QJsonDocument::fromJson(file.read(16 << 20)).object()
                                         : QJsonObject();
        if (manifest.value(QStringLiteral("kind")).toString() != kManifestKind ||
            manifest.value(QStringLiteral("fingerprint")).toString().toLatin1() != fingerprint) {
            *reason = tr("Outputs of another job or of other settings exist for this recording "
                         "(%1). Nothing was replaced: move them away or choose another output "
                         "folder.")
                          .arg(manifestPath);
            return Previous::Blocking;
        }
        for (const QJsonValue& name : manifest.value(QStringLiteral("outputs")).toArray()) {
            if (!exists(finalPath(name.toString()))) {
                *reason = tr("%1 is missing although an earlier run published it. Nothing was "
                             "replaced: remove %2 to process the recording again.")
                              .arg(finalPath(name.toString()), manifestPath);
                return Previous::Blocking;
            }
        }
        *figures = manifest.value(QStringLiteral("row")).toObject();
        return Previous::Matching;
    }
    for (const QString& name : plannedNames) {
        if (exists(finalPath(name))) {
            *reason = tr("An output already exists: %1. Nothing was replaced.").arg(finalPath(name));
            return Previous::Blocking;
        }
    }
    return Previous::None;
}

bool RecordingOutputs::createStaging(QString* error)
{
    const QDir folder(m_folder);
    if (!folder.exists() && !QDir().mkpath(m_folder)) {
        *error = tr("Cannot create the output folder %1.").arg(m_folder);
        return false;
    }
    const QString name = QLatin1Char('.') + m_stem + QLatin1Char('.') +
                         QUuid::createUuid().toString(QUuid::WithoutBraces) +
                         QStringLiteral(".batch-staging");
    if (!folder.mkdir(name)) {
        *error = tr("Cannot create a staging folder in %1.").arg(m_folder);
        return false;
    }
    m_staging = folder.absoluteFilePath(name);
    return true;
}

QString RecordingOutputs::stagingPath(const QString& name) const
{
    return QDir(m_staging).absoluteFilePath(name);
}

bool RecordingOutputs::stageManifest(const QByteArray& fingerprint, const QStringList& outputs,
                                     const QJsonObject& figures, QString* error)
{
    const QJsonObject manifest{{QStringLiteral("kind"), kManifestKind},
                               {QStringLiteral("fingerprint"), QString::fromLatin1(fingerprint)},
                               {QStringLiteral("outputs"), QJsonArray::fromStringList(outputs)},
                               {QStringLiteral("row"), figures}};
    QFile file(stagingPath(manifestName()));
    const QByteArray bytes = QJsonDocument(manifest).toJson(QJsonDocument::Indented);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(bytes) != bytes.size() ||
        !file.flush()) {
        *error = tr("Cannot write %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}

bool RecordingOutputs::publish(const QStringList& names, QString* error)
{
    QStringList published;
    for (const QString& name : names) {
        QString reason;
        if (!reports::publishWithoutReplacing(stagingPath(name), finalPath(name), &reason)) {
            for (const QString& done : published)
                QFile::remove(finalPath(done));
            *error = tr("Publishing %1 failed, so none of this recording's outputs were kept: %2")
                         .arg(finalPath(name), reason);
            return false;
        }
        published << name;
    }
    return true;
}

void RecordingOutputs::discard()
{
    if (!m_staging.isEmpty())
        QDir(m_staging).removeRecursively();
    m_staging.clear();
}

QByteArray recordingFingerprint(const QString& verb, const QJsonObject& resolvedSettings,
                                const QString& input, QString* error)
{
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = RecordingOutputs::tr("Cannot read %1: %2").arg(input, file.errorString());
        return {};
    }
    QJsonObject settings = resolvedSettings;
    // Worker counts change how fast, not what.
    settings.remove(QStringLiteral("workers"));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(verb.toUtf8());
    hash.addData(QJsonDocument(settings).toJson(QJsonDocument::Compact));
    hash.addData(QFileInfo(input).fileName().toUtf8());
    hash.addData(QByteArray::number(file.size()));
    hash.addData(file.read(kSampledBytes));
    if (file.size() > kSampledBytes && file.seek(std::max(file.size() - kSampledBytes, kSampledBytes)))
        hash.addData(file.read(kSampledBytes));
    return hash.result().toHex();
}

} // namespace orvi::batch
