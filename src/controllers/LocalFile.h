#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

namespace orvi::ui::controllers {

// Dialogs, drops and the automation hand over files as URLs in several spellings ("file:///…",
// percent-encoded, a bare absolute path). This is the one place that turns them into local
// paths; in QML it shows a chosen file's path.
class LocalFile : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QUrl url READ url WRITE setUrl NOTIFY urlChanged)
    Q_PROPERTY(QString path READ path NOTIFY urlChanged)
    Q_PROPERTY(QUrl folderUrl READ folderUrl NOTIFY urlChanged)

public:
    using QObject::QObject;

    // True when the URL names a file on this machine (a file URL or an absolute path).
    static bool isLocal(const QUrl& url);
    // The absolute local path of the URL, as given (".." stays for the file system to resolve);
    // empty when it names no local file.
    static QString pathOf(const QUrl& url);

    QUrl url() const { return m_url; }
    void setUrl(const QUrl& url);
    QString path() const { return pathOf(m_url); }
    // The folder that holds the file, for a dialog to start in; empty without a local file.
    QUrl folderUrl() const;

signals:
    void urlChanged();

private:
    QUrl m_url;
};

} // namespace orvi::ui::controllers
