#pragma once

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace orvi::batch {

// The files one recording publishes. They are written into a hidden staging folder beside
// their final places and published together by renaming, never replacing an entry; the
// manifest, which tells a later run that they are complete and for which job, goes last.
class RecordingOutputs
{
    Q_DECLARE_TR_FUNCTIONS(RecordingOutputs)

public:
    enum class Previous
    {
        None,     // nothing of this recording's outputs exists
        Matching, // a manifest for the same job, with all its outputs
        Blocking  // an output exists that this job did not write, or wrote with other inputs
    };

    RecordingOutputs(const QString& folder, const QString& stem);
    ~RecordingOutputs();
    RecordingOutputs(const RecordingOutputs&) = delete;
    RecordingOutputs& operator=(const RecordingOutputs&) = delete;

    QString finalPath(const QString& name) const;
    QString manifestName() const;

    // What an earlier run left for the planned output names; for a matching manifest its row
    // figures, otherwise the reason why the outputs block this one.
    Previous previous(const QByteArray& fingerprint, const QStringList& plannedNames,
                      QJsonObject* figures, QString* reason) const;

    bool createStaging(QString* error);
    QString stagingPath(const QString& name) const;
    // Writes the manifest into the staging folder.
    bool stageManifest(const QByteArray& fingerprint, const QStringList& outputs,
                       const QJsonObject& figures, QString* error);
    // Publishes the staged files in order (the manifest last); on a failure the ones already
    // published are taken back and nothing of the set remains.
    bool publish(const QStringList& names, QString* error);
    // Removes the staging folder and whatever is still in it.
    void discard();

private:
    QString m_folder;
    QString m_stem;
    QString m_staging;
};

// Identity of a recording's job: the verb, every setting that applied and the file's name,
// size and first and last mebibyte, so that a copy of the file on another machine matches
// while an edited one does not.
QByteArray recordingFingerprint(const QString& verb, const QJsonObject& resolvedSettings,
                                const QString& input, QString* error);

} // namespace orvi::batch
