#pragma once

namespace orvi::ui::controllers {
class AnalysisFragmentController;
class ExportController;
class MediaRuntimeController;
class PreviewController;
class ProcessingSettingsController;
class SpectrumController;
class VideoSessionController;
} // namespace orvi::ui::controllers

namespace orvi::ui::playback {
class PlaybackController;
}

namespace orvi::diagnostics::service {

// The interface controllers that the diagnostics read and drive, as the application
// controller exposes them. Non-owning; they outlive the service.
struct DiagnosticsControllers
{
    ui::controllers::MediaRuntimeController* mediaRuntime = nullptr;
    ui::controllers::VideoSessionController* videoSession = nullptr;
    ui::controllers::AnalysisFragmentController* analysisFragment = nullptr;
    ui::controllers::ProcessingSettingsController* processingSettings = nullptr;
    ui::playback::PlaybackController* playback = nullptr;
    ui::controllers::PreviewController* preview = nullptr;
    ui::controllers::ExportController* exporter = nullptr;
    ui::controllers::SpectrumController* spectrum = nullptr;

    // Taken from the application controller by its getters. A template because the
    // application layer sits above this one.
    template <typename Application> static DiagnosticsControllers of(const Application& application)
    {
        return {application.mediaRuntime(),     application.videoSession(),
                application.analysisFragment(), application.processingSettings(),
                application.playback(),         application.preview(),
                application.exporter(),         application.spectrum()};
    }
};

} // namespace orvi::diagnostics::service
