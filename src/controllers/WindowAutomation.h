#pragma once

#include "controllers/PreviewController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/SpectrumController.h"
#include "controllers/VideoSessionController.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

namespace orvi::ui::controllers {

// The window's part of the automation contract: named interface actions ("open_dialog",
// "set_view", …) checked against what the window shows, with the contract's refusal codes.
// The window declares one and binds what it shows (its dialogs and views) to it; the object
// judges each request and asks the window, through one signal per kind of action, to perform
// what it accepted. A view reports through report() when it cannot take a requested range.
class WindowAutomation : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(VideoSessionController* videoSession MEMBER m_videoSession REQUIRED)
    Q_PROPERTY(ProcessingSettingsController* processingSettings MEMBER m_settings REQUIRED)
    Q_PROPERTY(PreviewController* preview MEMBER m_preview REQUIRED)
    Q_PROPERTY(SpectrumController* spectrum MEMBER m_spectrum REQUIRED)
    // Any operation that blocks the interface runs.
    Q_PROPERTY(bool operationBusy MEMBER m_operationBusy REQUIRED)
    // Whether the window's own dialogs are shown, by their automation names.
    Q_PROPERTY(QVariantMap windowDialogs MEMBER m_windowDialogs REQUIRED)
    // The workspace's part of the interface state: section, dialogs, views and drafts.
    Q_PROPERTY(QVariantMap workspaceState MEMBER m_workspaceState REQUIRED)
    Q_PROPERTY(bool spectrumSettingsHelpVisible MEMBER m_spectrumSettingsHelpVisible REQUIRED)

public:
    // The refusal codes of the contract; Accepted when an action was performed.
    enum Outcome
    {
        Accepted,
        InvalidRequest,
        UnsupportedAction,
        InvalidParameters,
        ModalDialogOpen,
        Busy,
        NoResult,
        UnsupportedDialog,
        Unavailable,
        InvalidSectionOrUnavailable,
        DialogNotOpen,
        InvalidSection,
        WrongSection,
        InvalidView,
        NoSelectedPoint,
        InvalidFormat,
        UnsupportedView,
        NoFrame
    };
    Q_ENUM(Outcome)
    // What the window opens, closes or accepts.
    enum Dialog
    {
        About,
        OpenVideo,
        SaveVideo,
        VideoParameters,
        AmplificationSettings,
        FrequencyFilterHelper,
        SpectrumSettings,
        SpectrumSettingsHelp,
        AnalysisExport,
        AnalysisExportHelp,
        ExportDestination,
        MapSettings,
        MapSettingsHelp,
        ResultHelp
    };
    Q_ENUM(Dialog)

    using QObject::QObject;

    // The interface state as "diagnostics.getUi" gives it.
    QVariantMap state() const;
    // Performs one request; false with its refusal code in *error when it was refused.
    bool act(const QVariant& request, QString* error = nullptr);
    static QString code(Outcome outcome);

    // A view's answer to the range it was asked to show.
    Q_INVOKABLE void report(Outcome outcome) { m_reported = outcome; }

signals:
    void dialogOpenRequested(Dialog dialog);
    void dialogCloseRequested(Dialog dialog);
    void dialogAcceptRequested(Dialog dialog);
    // 0 amplification, 1 spectrum.
    void sectionRequested(int section);
    void regionEditingRequested(bool enabled);
    void amplificationSectionRequested(const QString& section, bool expanded);
    void amplificationSectionScrollRequested(const QString& section);
    void spectrumDraftRequested(double captureFrameRate, int densityIndex, int workerThreadCount,
                                bool revealResources);
    // The amplification parameters that were set, for the settings to show them.
    void amplificationParametersShown(const QStringList& names);
    void viewRequested(int representation, int displayMode);
    void exportFormatRequested(int format);
    void mapColorsRequested(bool logarithmic);
    void viewResetRequested();
    // NaN where the request gave no number.
    void frameViewRequested(double zoom, double panX, double panY);
    void rangeViewRequested(double lower, double upper);

private:
    Outcome perform(const QVariant& request);
    Outcome windowAction(const QString& action, const QString& dialog);
    Outcome workspaceAction(const QString& action, const QString& dialog,
                            const QVariantMap& request);
    Outcome settingsDialogAction(const QString& action, const QString& dialog,
                                 const QVariantMap& request);
    Outcome resultAction(const QString& action, const QString& dialog, const QVariantMap& request);
    Outcome resultDialogAction(const QString& action, const QString& dialog,
                               const QVariantMap& request);
    Outcome viewAction(const QString& action, const QVariantMap& request);
    Outcome setParameters(bool spectrum, const QVariantMap& parameters);
    Outcome emitView(void (WindowAutomation::*signal)(double, double), double a, double b);

    bool dialogShown(const char* name) const;
    bool workspaceDialogShown() const;
    QString view() const { return m_workspaceState.value(QStringLiteral("view")).toString(); }
    int representation() const;

    VideoSessionController* m_videoSession = nullptr;
    ProcessingSettingsController* m_settings = nullptr;
    PreviewController* m_preview = nullptr;
    SpectrumController* m_spectrum = nullptr;
    bool m_operationBusy = false;
    QVariantMap m_windowDialogs;
    QVariantMap m_workspaceState;
    bool m_spectrumSettingsHelpVisible = false;
    Outcome m_reported = Accepted;
};

} // namespace orvi::ui::controllers
