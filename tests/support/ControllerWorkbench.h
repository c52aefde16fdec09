#pragma once

#include "controllers/AnalysisFragmentController.h"
#include "controllers/ExportController.h"
#include "controllers/MediaRuntimeController.h"
#include "controllers/PlaybackController.h"
#include "controllers/PreviewController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/SpectrumController.h"
#include "controllers/VideoSessionController.h"

namespace orvi::test {

// The interface's controllers, wired as the application wires them.
struct ControllerWorkbench
{
    ui::controllers::MediaRuntimeController runtime;
    ui::controllers::VideoSessionController session{&runtime};
    ui::controllers::AnalysisFragmentController fragment{&session};
    ui::controllers::ProcessingSettingsController settings{&session, &fragment};
    ui::playback::PlaybackController playback{&session, &fragment, &runtime};
    ui::controllers::PreviewController preview{&session, &runtime, &settings, &playback};
    ui::controllers::ExportController exporter{&session, &runtime, &settings, &playback, &preview};
    ui::controllers::SpectrumController spectrum{&session, &fragment, &settings,
                                                 &runtime, &preview,  &exporter};
};

} // namespace orvi::test
