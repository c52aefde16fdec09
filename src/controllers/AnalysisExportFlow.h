#pragma once

#include "reports/AnalysisExportContext.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QUrl>

namespace orvi::ui::controllers {

class PointInspection;
class SpectrumBandSelection;
class SpectrumPhaseMap;

// Writing one analysis export at a time on the global thread pool: the suggested file name,
// the refusal and the outcome as one message for the interface.
class AnalysisExportFlow : public QObject
{
    Q_OBJECT

public:
    explicit AnalysisExportFlow(QObject* parent = nullptr);
    ~AnalysisExportFlow() override;

    bool busy() const { return m_busy; }
    QString message() const { return m_message; }
    // Notes whether an export can start now; true when that differs from the last note.
    bool noteAbility(bool canExport);

    // Reports get a dated name beside the source, numbered when taken; other formats none.
    // The date becomes the creation time of the report exported next.
    QUrl suggestedFileUrl(int format, const QString& sourcePath);
    // The source's folder, where exports start; empty without a source.
    static QUrl folderUrl(const QString& sourcePath);
    static bool formatUsable(int format, bool mapAvailable, bool phaseAvailable);
    // A frozen copy of the analysis as the interface shows it, for the export worker.
    static reports::AnalysisExportContext context(const project_data::SpectrumResult& result,
                                                  const SpectrumBandSelection& band,
                                                  const SpectrumPhaseMap& phase,
                                                  const PointInspection& points,
                                                  bool phaseAvailable, bool logarithmicColors);

    // Refuses an export; while one runs its message stays.
    void refuse();
    // Starts writing `context` to the local file `path` (given the format's suffix when it has
    // none); false, with the refusal as the message, when the path names no local file.
    bool start(const QUrl& path, int format, reports::AnalysisExportContext context);
    // A finished export's message or a refusal goes; false when there was none to dismiss.
    bool dismissMessage();
    // Forgets the message and the suggested report time (a new source).
    void clear();
    void shutdown();

signals:
    void changed();
    void finished();

private:
    // What the writing task hands back.
    struct Outcome
    {
        bool saved = false;
        QString error;
    };

    void onFinished();

    QDateTime m_reportTime;
    bool m_busy = false;
    bool m_couldExport = false;
    QString m_message;
    QString m_path;
    QFutureWatcher<Outcome> m_watcher;
};

} // namespace orvi::ui::controllers
