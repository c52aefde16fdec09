#pragma once

// Generated with the QML modules of the interface's C++ types: "OrviMotion.Ui" 1.0 (the
// controllers) and "OrviMotion.Ui.Items" 1.0 (the painted and frame items).
void qml_register_types_OrviMotion_Ui();
void qml_register_types_OrviMotion_Ui_Items();

namespace orvi::ui {

// Registers the interface's QML modules before an engine imports them. Calling it also keeps
// the generated registrations in a program that links these libraries statically.
inline void registerUiModule()
{
    qml_register_types_OrviMotion_Ui();
    qml_register_types_OrviMotion_Ui_Items();
}

} // namespace orvi::ui
