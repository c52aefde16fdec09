#pragma once

#include "records/GridSite.h"
#include "records/SpectrumAnalysisRequest.h"
#include "records/SpectrumResult.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <memory>
#include <vector>

namespace orvi::ui::controllers {

// The points of the last run that produced any, ready or not, for inspecting them one by one:
// why each was accepted or excluded, the selected point's signal and its local spectrum.
class PointInspection
{
public:
    // Takes the points of a run (`sites`, a copy of the result's); rebuild() derives the lists.
    void adopt(const project_data::SpectrumResult& result,
               std::vector<project_data::GridSite> sites);
    void clear();
    // Rebuilds the list, the summary and the selection: the point `preferred` when there is
    // one, else the first accepted point.
    void rebuild(int preferred);
    // False when index names no point.
    bool select(int index);

    bool empty() const { return m_sites->empty(); }
    const QByteArray& identity() const { return m_identity; }
    const project_data::SpectrumAnalysisRequest& request() const { return m_request; }
    const std::vector<project_data::GridSite>& sites() const { return *m_sites; }
    // The same points, shared with work that may outlive the next adopt() (never null).
    std::shared_ptr<const std::vector<project_data::GridSite>> sharedSites() const
    {
        return m_sites;
    }
    // One entry per point: index, accepted, reason, validFraction, gapCount.
    const QVariantList& siteList() const { return m_siteList; }
    QVariantMap site(int index) const;
    QImage frame() const { return m_frame; }
    QRectF region() const { return m_region; }
    QString text() const { return m_text; }
    QString gridDescription() const;
    int selectedSite() const { return m_selected; }
    bool siteAccepted(int index) const;

    double sampleRate() const;
    double durationSeconds() const;
    bool segmentAccepted() const { return siteAccepted(m_selected); }
    double segmentStartSeconds() const;
    double segmentEndSeconds() const;
    // A point's cell on the frame, as the maps list it: x, y, width, height, sampleX, sampleY.
    static QVariantMap cellEntry(const QRectF& cell, double sampleX, double sampleY);
    // The selected point's trace between two times, in at most `columns` buckets.
    QVariantMap traceWindow(double startSeconds, double endSeconds, int columns,
                            bool detrend) const;

    const QVariantList& localPoints() const { return m_localPoints; }
    const QVariantList& localCandidates() const { return m_localCandidates; }
    double localStepHz() const { return m_localStepHz; }
    double localPeakHz() const { return m_localPeakHz; }
    double localPowerNormalization() const { return m_localPowerNormalization; }
    bool localAvailable() const { return m_localAvailable; }
    QString localMessage() const { return m_localMessage; }

private:
    void selectTrace(int index);
    void rebuildLocalSpectrum();

    project_data::SpectrumAnalysisRequest m_request;
    QByteArray m_identity;
    // Shared, so that a relative phase calculation reads them without a copy.
    std::shared_ptr<const std::vector<project_data::GridSite>> m_sites =
        std::make_shared<const std::vector<project_data::GridSite>>();
    QImage m_frame;
    QRectF m_region;
    QVariantList m_siteList;
    QString m_text;
    int m_selected = -1;
    std::vector<float> m_detrendedX;
    std::vector<float> m_detrendedY;

    QVariantList m_localPoints;
    QVariantList m_localCandidates;
    double m_localStepHz = 0.0;
    double m_localPeakHz = 0.0;
    double m_localPowerNormalization = 0.0;
    bool m_localAvailable = false;
    QString m_localMessage;
};

} // namespace orvi::ui::controllers
