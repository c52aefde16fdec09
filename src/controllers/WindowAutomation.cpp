#include "controllers/WindowAutomation.h"

#include "controllers/AutomationParameters.h"
#include "controllers/AutomationValues.h"
#include "reports/AnalysisExportWriter.h"

#include <QHash>
#include <QMetaEnum>
#include <algorithm>
#include <limits>

namespace orvi::ui::controllers {

namespace {

using Values = AutomationValues;

// Each action with the keys it may carry besides "action".
const QHash<QString, QStringList>& actionKeys()
{
    static const QHash<QString, QStringList> keys{
        {QStringLiteral("accept_dialog"), {QStringLiteral("dialog")}},
        {QStringLiteral("set_dialog_section"),
         {QStringLiteral("dialog"), QStringLiteral("section"), QStringLiteral("expanded")}},
        {QStringLiteral("scroll_dialog"), {QStringLiteral("dialog"), QStringLiteral("section")}},
        {QStringLiteral("select_section"), {QStringLiteral("section")}},
        {QStringLiteral("select_view"), {QStringLiteral("view")}},
        {QStringLiteral("open_dialog"), {QStringLiteral("dialog")}},
        {QStringLiteral("close_dialog"), {QStringLiteral("dialog")}},
        {QStringLiteral("reset_view"), {}},
        {QStringLiteral("set_view"),
         {QStringLiteral("lower"), QStringLiteral("upper"), QStringLiteral("zoom"),
          QStringLiteral("panX"), QStringLiteral("panY")}},
        {QStringLiteral("set_export_format"), {QStringLiteral("format")}},
        {QStringLiteral("set_map_colors"), {QStringLiteral("logarithmic")}},
        {QStringLiteral("set_dialog_parameters"),
         {QStringLiteral("dialog"), QStringLiteral("parameters")}},
        {QStringLiteral("set_region_editing"), {QStringLiteral("enabled")}}};
    return keys;
}

// The result view's representations in their numbering, and the point view's display modes.
const QStringList kViews{QStringLiteral("spectrum"), QStringLiteral("map"),
                         QStringLiteral("points"), QStringLiteral("bands"),
                         QStringLiteral("phase")};
const QStringList kPointModes{QStringLiteral("points"), QStringLiteral("signal"),
                              QStringLiteral("local")};
constexpr int kPointsRepresentation = 2;
constexpr int kBandsRepresentation = 3;
constexpr int kMapRepresentation = 1;

} // namespace

QString WindowAutomation::code(Outcome outcome)
{
    // "InvalidSectionOrUnavailable" -> "invalid_section_or_unavailable"
    const QString name = QString::fromLatin1(QMetaEnum::fromType<Outcome>().valueToKey(outcome));
    QString text;
    for (const QChar c : name) {
        if (c.isUpper() && !text.isEmpty())
            text += QLatin1Char('_');
        text += c.toLower();
    }
    return text;
}

QVariantMap WindowAutomation::state() const
{
    QVariantMap state = m_workspaceState;
    QVariantMap dialogs = state.value(QStringLiteral("dialogs")).toMap();
    for (auto it = m_windowDialogs.cbegin(); it != m_windowDialogs.cend(); ++it)
        dialogs.insert(it.key(), it.value());
    state.insert(QStringLiteral("dialogs"), dialogs);
    return state;
}

bool WindowAutomation::act(const QVariant& request, QString* error)
{
    const Outcome outcome = perform(request);
    if (outcome != Accepted && error)
        *error = code(outcome);
    return outcome == Accepted;
}

bool WindowAutomation::dialogShown(const char* name) const
{
    return m_workspaceState.value(QStringLiteral("dialogs"))
        .toMap()
        .value(QLatin1String(name))
        .toBool();
}

bool WindowAutomation::workspaceDialogShown() const
{
    const QVariantMap dialogs = m_workspaceState.value(QStringLiteral("dialogs")).toMap();
    return std::any_of(dialogs.cbegin(), dialogs.cend(),
                       [](const QVariant& v) { return v.toBool(); });
}

int WindowAutomation::representation() const
{
    const QString name = view();
    return kPointModes.contains(name) ? kPointsRepresentation : int(kViews.indexOf(name));
}

WindowAutomation::Outcome WindowAutomation::perform(const QVariant& value)
{
    if (value.typeId() != QMetaType::QVariantMap)
        return InvalidRequest;
    const QVariantMap request = value.toMap();
    const QVariant action = request.value(QStringLiteral("action"));
    if (!Values::isString(action) || !actionKeys().contains(action.toString()))
        return UnsupportedAction;
    const QStringList& keys = actionKeys()[action.toString()];
    for (auto it = request.cbegin(); it != request.cend(); ++it)
        if (it.key() != QLatin1String("action") && !keys.contains(it.key()))
            return InvalidParameters;
    const QString dialog = Values::string(request, "dialog");
    const Outcome window = windowAction(action.toString(), dialog);
    return window == UnsupportedAction ? workspaceAction(action.toString(), dialog, request)
                                       : window;
}

// The window's own dialogs; UnsupportedAction for any other request.
WindowAutomation::Outcome WindowAutomation::windowAction(const QString& action,
                                                         const QString& dialog)
{
    static const QHash<QString, Dialog> dialogs{{QStringLiteral("about"), About},
                                                {QStringLiteral("open_video"), OpenVideo},
                                                {QStringLiteral("save_video"), SaveVideo}};
    const auto named = dialogs.constFind(dialog);
    const bool own = named != dialogs.cend();
    if (action == QLatin1String("close_dialog") && own) {
        emit dialogCloseRequested(*named);
        return Accepted;
    }
    if (std::any_of(m_windowDialogs.cbegin(), m_windowDialogs.cend(),
                    [](const QVariant& shown) { return shown.toBool(); }))
        return ModalDialogOpen;
    if (action != QLatin1String("open_dialog") || !own)
        return UnsupportedAction;
    if (workspaceDialogShown())
        return ModalDialogOpen;
    if (*named != About && m_operationBusy)
        return Busy;
    if (*named == SaveVideo && !(m_preview && m_preview->ready()))
        return NoResult;
    emit dialogOpenRequested(*named);
    return Accepted;
}

WindowAutomation::Outcome WindowAutomation::workspaceAction(const QString& action,
                                                            const QString& dialog,
                                                            const QVariantMap& request)
{
    const Outcome settings = settingsDialogAction(action, dialog, request);
    if (settings != UnsupportedAction)
        return settings;
    if (workspaceDialogShown()) {
        const bool passes =
            (action == QLatin1String("open_dialog") &&
             (dialog == QLatin1String("help") || dialog == QLatin1String("export_destination"))) ||
            action == QLatin1String("set_export_format");
        return passes ? resultAction(action, dialog, request) : ModalDialogOpen;
    }
    if (action == QLatin1String("select_section")) {
        const int section =
            QStringList{QStringLiteral("amplification"), QStringLiteral("spectrum")}.indexOf(
                Values::string(request, "section"));
        if (section < 0)
            return InvalidSection;
        emit sectionRequested(section);
        return Accepted;
    }
    const bool settingsAllowed = !m_operationBusy && m_videoSession && m_videoSession->ready();
    if (action == QLatin1String("set_region_editing")) {
        const QVariant enabled = request.value(QStringLiteral("enabled"));
        if (!Values::isBool(enabled))
            return InvalidParameters;
        if (!settingsAllowed)
            return Unavailable;
        emit regionEditingRequested(enabled.toBool());
        return Accepted;
    }
    if (action == QLatin1String("open_dialog") && dialog == QLatin1String("video_parameters")) {
        emit dialogOpenRequested(VideoParameters);
        return Accepted;
    }
    if (action == QLatin1String("open_dialog") &&
        (dialog == QLatin1String("amplification_settings") ||
         dialog == QLatin1String("spectrum_settings"))) {
        if (!settingsAllowed)
            return Unavailable;
        emit dialogOpenRequested(dialog == QLatin1String("spectrum_settings")
                                     ? SpectrumSettings
                                     : AmplificationSettings);
        return Accepted;
    }
    if (m_workspaceState.value(QStringLiteral("section")) != QStringLiteral("spectrum"))
        return WrongSection;
    return resultAction(action, dialog, request);
}

// The settings dialogs of the workspace; UnsupportedAction for any other request.
WindowAutomation::Outcome WindowAutomation::settingsDialogAction(const QString& action,
                                                                 const QString& dialog,
                                                                 const QVariantMap& request)
{
    static const QHash<QString, Dialog> closable{
        {QStringLiteral("frequency_filter_helper"), FrequencyFilterHelper},
        {QStringLiteral("amplification_settings"), AmplificationSettings},
        {QStringLiteral("spectrum_settings"), SpectrumSettings},
        {QStringLiteral("video_parameters"), VideoParameters}};
    const bool amplification = dialog == QLatin1String("amplification_settings");
    const bool spectrum = dialog == QLatin1String("spectrum_settings");
    if (action == QLatin1String("close_dialog")) {
        if (closable.contains(dialog))
            emit dialogCloseRequested(closable[dialog]);
        else if (dialog == QLatin1String("help") && m_spectrumSettingsHelpVisible)
            emit dialogCloseRequested(SpectrumSettingsHelp);
        else
            return resultDialogAction(action, dialog, request);
        return Accepted;
    }
    if (action == QLatin1String("open_dialog") && dialog == QLatin1String("help") &&
        dialogShown("spectrum_settings")) {
        emit dialogOpenRequested(SpectrumSettingsHelp);
        return Accepted;
    }
    const bool helperShown = dialogShown("frequency_filter_helper");
    if (action == QLatin1String("accept_dialog")) {
        if (m_operationBusy)
            return Busy;
        if (!amplification && !spectrum)
            return UnsupportedDialog;
        const bool acceptable = spectrum ? dialogShown("spectrum_settings") &&
                                               !m_spectrumSettingsHelpVisible && m_spectrum &&
                                               m_spectrum->available()
                                         : dialogShown("amplification_settings") && !helperShown &&
                                               m_preview && m_preview->available();
        if (!acceptable)
            return Unavailable;
        emit dialogAcceptRequested(spectrum ? SpectrumSettings : AmplificationSettings);
        return Accepted;
    }
    if (action == QLatin1String("set_dialog_section") || action == QLatin1String("scroll_dialog")) {
        if (!amplification)
            return UnsupportedDialog;
        if (m_operationBusy)
            return Busy;
        const QString section = Values::string(request, "section");
        const QStringList sections =
            m_workspaceState.value(QStringLiteral("amplificationSections")).toMap().keys();
        bool possible = section != QLatin1String("scrollY") && sections.contains(section) &&
                        dialogShown("amplification_settings") && !helperShown;
        if (action == QLatin1String("scroll_dialog")) {
            if (!possible)
                return InvalidSectionOrUnavailable;
            emit amplificationSectionScrollRequested(section);
            return Accepted;
        }
        const QVariant expanded = request.value(QStringLiteral("expanded"));
        possible = possible && Values::isBool(expanded) &&
                   !(section == QLatin1String("region") && expanded.toBool() &&
                     !(m_settings && m_settings->regionCustomized()));
        if (!possible)
            return InvalidSectionOrUnavailable;
        emit amplificationSectionRequested(section, expanded.toBool());
        return Accepted;
    }
    if (action == QLatin1String("open_dialog") &&
        dialog == QLatin1String("frequency_filter_helper")) {
        if (m_operationBusy)
            return Busy;
        if (!dialogShown("amplification_settings") || helperShown)
            return Unavailable;
        emit dialogOpenRequested(FrequencyFilterHelper);
        return Accepted;
    }
    if (action == QLatin1String("set_dialog_parameters")) {
        if (m_operationBusy)
            return Busy;
        if (helperShown || m_spectrumSettingsHelpVisible)
            return ModalDialogOpen;
        const QVariant parameters = request.value(QStringLiteral("parameters"));
        if (parameters.typeId() != QMetaType::QVariantMap)
            return InvalidParameters;
        if ((spectrum && dialogShown("spectrum_settings")) ||
            (amplification && dialogShown("amplification_settings")))
            return setParameters(spectrum, parameters.toMap());
        return DialogNotOpen;
    }
    return UnsupportedAction;
}

// The result view's dialogs and views, once the spectrum section shows.
WindowAutomation::Outcome WindowAutomation::resultAction(const QString& action,
                                                         const QString& dialog,
                                                         const QVariantMap& request)
{
    const Outcome dialogs = resultDialogAction(action, dialog, request);
    if (dialogs != UnsupportedAction)
        return dialogs;
    if (!m_spectrum || !m_spectrum->ready())
        return NoResult;
    if (m_spectrum->busy())
        return Busy;
    if (action == QLatin1String("select_view")) {
        const QVariant view = request.value(QStringLiteral("view"));
        const int mode = kPointModes.indexOf(Values::string(request, "view"));
        const int index =
            mode > 0 ? kPointsRepresentation : int(kViews.indexOf(Values::string(request, "view")));
        if (!Values::isString(view) || index < 0)
            return InvalidView;
        if (mode > 0 && m_spectrum->selectedDiagnosticSite() < 0)
            return NoSelectedPoint;
        emit viewRequested(index, std::max(mode, 0));
        return Accepted;
    }
    if (action == QLatin1String("open_dialog")) {
        if (dialog == QLatin1String("analysis_export")) {
            if (m_spectrum->phaseBusy() || m_spectrum->reportBusy() ||
                !m_spectrum->canExportReport())
                return Unavailable;
            emit dialogOpenRequested(AnalysisExport);
            return Accepted;
        }
        if (dialog == QLatin1String("map_settings") && representation() == kMapRepresentation) {
            emit dialogOpenRequested(MapSettings);
            return Accepted;
        }
        return UnsupportedDialog;
    }
    if (action == QLatin1String("set_map_colors")) {
        const QVariant logarithmic = request.value(QStringLiteral("logarithmic"));
        if (!Values::isBool(logarithmic))
            return InvalidParameters;
        emit mapColorsRequested(logarithmic.toBool());
        return Accepted;
    }
    if (action == QLatin1String("reset_view") || action == QLatin1String("set_view"))
        return viewAction(action, request);
    return UnsupportedAction;
}

// The result view's dialogs: closing any, the help and the export's format and destination;
// UnsupportedAction for any other request.
WindowAutomation::Outcome WindowAutomation::resultDialogAction(const QString& action,
                                                               const QString& dialog,
                                                               const QVariantMap& request)
{
    if (action == QLatin1String("close_dialog")) {
        static const QHash<QString, Dialog> closable{
            {QStringLiteral("analysis_export"), AnalysisExport},
            {QStringLiteral("export_destination"), ExportDestination},
            {QStringLiteral("map_settings"), MapSettings},
            {QStringLiteral("help"), ResultHelp}};
        if (!closable.contains(dialog))
            return UnsupportedDialog;
        emit dialogCloseRequested(closable[dialog]);
        return Accepted;
    }
    const bool exportShown = dialogShown("analysis_export");
    if (action == QLatin1String("open_dialog") && dialog == QLatin1String("export_destination")) {
        if (!exportShown)
            return Unavailable;
        emit dialogOpenRequested(ExportDestination);
        return Accepted;
    }
    if (action == QLatin1String("open_dialog") && dialog == QLatin1String("help")) {
        if (exportShown)
            emit dialogOpenRequested(AnalysisExportHelp);
        else if (dialogShown("map_settings"))
            emit dialogOpenRequested(MapSettingsHelp);
        else if (m_spectrum && m_spectrum->ready() && !m_spectrum->busy())
            emit dialogOpenRequested(ResultHelp);
        else
            return NoResult;
        return Accepted;
    }
    if (action == QLatin1String("set_export_format")) {
        if (!exportShown)
            return DialogNotOpen;
        const QVariant format = request.value(QStringLiteral("format"));
        if (!Values::isWholeIn(format, 0, reports::kAnalysisExportFormatCount - 1))
            return InvalidFormat;
        emit exportFormatRequested(int(format.toDouble()));
        return Accepted;
    }
    return UnsupportedAction;
}

WindowAutomation::Outcome WindowAutomation::viewAction(const QString& action,
                                                       const QVariantMap& request)
{
    const QString shown = view();
    if (representation() == kBandsRepresentation || shown == QLatin1String("local"))
        return UnsupportedView;
    if (action == QLatin1String("reset_view")) {
        emit viewResetRequested();
        return Accepted;
    }
    const QVariant lower = request.value(QStringLiteral("lower"));
    const QVariant upper = request.value(QStringLiteral("upper"));
    if (shown == QLatin1String("spectrum")) {
        if (!Values::isNumber(lower) || !Values::isNumber(upper))
            return InvalidView;
        return emitView(&WindowAutomation::rangeViewRequested, lower.toDouble(), upper.toDouble());
    }
    if (shown == QLatin1String("signal")) {
        if (!Values::isFinite(lower) || !Values::isFinite(upper) || lower.toDouble() < 0.0 ||
            upper.toDouble() > m_spectrum->diagnosticDurationSeconds())
            return InvalidView;
        return emitView(&WindowAutomation::rangeViewRequested, lower.toDouble(), upper.toDouble());
    }
    const auto number = [&request](const char* key) {
        const QVariant value = request.value(QLatin1String(key));
        return Values::isNumber(value) ? value.toDouble()
                                       : std::numeric_limits<double>::quiet_NaN();
    };
    m_reported = Accepted;
    emit frameViewRequested(number("zoom"), number("panX"), number("panY"));
    return m_reported;
}

WindowAutomation::Outcome
WindowAutomation::emitView(void (WindowAutomation::*signal)(double, double), double a, double b)
{
    m_reported = Accepted;
    emit(this->*signal)(a, b);
    return m_reported;
}

WindowAutomation::Outcome WindowAutomation::setParameters(bool spectrum,
                                                          const QVariantMap& parameters)
{
    if (!spectrum) {
        if (!AutomationParameters::applyAmplification(parameters, m_videoSession, m_settings))
            return InvalidParameters;
        emit amplificationParametersShown(parameters.keys());
        return Accepted;
    }
    AutomationParameters::SpectrumDraft draft;
    if (!AutomationParameters::spectrumDraft(
            parameters, m_workspaceState.value(QStringLiteral("spectrumDraft")).toMap(),
            m_spectrum ? m_spectrum->maximumWorkerThreadCount() : 0, m_videoSession, &draft))
        return InvalidParameters;
    emit spectrumDraftRequested(draft.captureFrameRate, draft.gridDensityIndex,
                                draft.workerThreadCount,
                                parameters.contains(QStringLiteral("workerThreadCount")));
    return Accepted;
}

} // namespace orvi::ui::controllers
