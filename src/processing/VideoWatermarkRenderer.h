#pragma once

#include "orvi/Version.h"

#include <QCoreApplication>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

namespace orvi::processing {

// Draws the software identification into the bottom-right corner of every output frame.
// Prepared once per job for the frame size, then drawn onto each frame.
class VideoWatermarkRenderer
{
    Q_DECLARE_TR_FUNCTIONS(VideoWatermarkRenderer)

public:
    static QString text() { return QLatin1String(version::kProductIdentity); }
    static constexpr double maximumWidthRatio = 0.28;
    static constexpr double marginRatio = 0.02;

    bool configure(const QSize& frameSize, QString* error = nullptr);
    bool draw(QImage& frame, QString* error = nullptr) const;

    const QImage& image() const { return m_image; }
    QPoint position() const { return m_position; }
    QSize configuredSize() const { return m_configuredSize; }
    int fontPixelSize() const { return m_fontPixelSize; }
    double textScale() const { return m_textScale; }
    double outlineWidth() const { return m_outlineWidth; }
    int margin() const { return m_margin; }

private:
    QImage m_image;
    QPoint m_position;
    QSize m_configuredSize;
    int m_fontPixelSize = 0;
    double m_textScale = 0.0;
    double m_outlineWidth = 0.0;
    int m_margin = 0;
};

} // namespace orvi::processing
