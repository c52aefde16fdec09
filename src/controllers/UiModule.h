#pragma once

// Generated with the "OrviMotion.Ui" 1.0 QML module of this library: registers the frame items
// and the controller types.
void qml_register_types_OrviMotion_Ui();

namespace orvi::ui {

// Registers the interface's QML module before an engine imports it. Calling it also keeps the
// generated registration in a program that links this library statically.
inline void registerUiModule()
{
    qml_register_types_OrviMotion_Ui();
}

} // namespace orvi::ui
