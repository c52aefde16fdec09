#pragma once

#include "media/VideoBackend.h"

#include <QObject>
#include <QString>
#include <vector>

namespace orvi::ui::controllers {

// Reports once, at start-up, whether the video libraries are usable and which are loaded.
class MediaRuntimeController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool available READ available NOTIFY statusChanged)
    Q_PROPERTY(QString versionSummary READ versionSummary NOTIFY statusChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY statusChanged)

public:
    explicit MediaRuntimeController(QObject* parent = nullptr);
    // Judges the given library versions instead of the loaded ones.
    MediaRuntimeController(const std::vector<media::VideoBackend::LibraryVersion>& libraries,
                           QObject* parent);

    bool available() const { return m_available; }
    QString versionSummary() const { return m_versionSummary; }
    QString errorMessage() const { return m_errorMessage; }

signals:
    // Notify signal of the properties; they never change after construction.
    void statusChanged();

private:
    bool m_available = false;
    QString m_versionSummary;
    QString m_errorMessage;
};

} // namespace orvi::ui::controllers
