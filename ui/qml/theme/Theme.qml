pragma Singleton
import QtQuick

// Colours, spacing and type of the interface: calm surfaces, dark viewports, one accent.
QtObject {
    readonly property color window: "#eef0f3"
    readonly property color surface: "#ffffff"
    readonly property color surfaceAlt: "#e4e7ec"
    readonly property color border: "#c3c9d2"
    readonly property color viewport: "#1c2024"
    readonly property color text: "#1d2228"
    readonly property color textMuted: "#56606b"
    readonly property color textOnDark: "#eef1f4"
    readonly property color textOnDarkMuted: "#a9b2bc"
    readonly property color accent: "#1a5fb4"
    readonly property color accentText: "#ffffff"
    readonly property color error: "#b3261e"
    readonly property color errorOnDark: "#ff8a80"
    readonly property color warning: "#8a5a00"
    readonly property color success: "#1a7f37"
    readonly property color region: "#ffb000"
    readonly property color cameraReference: "#3ec6ff"
    readonly property color measure: "#35d0ff"
    readonly property color scrim: "#8c000000"
    readonly property color hintBackground: "#e6141a20"

    readonly property int spacing: 12
    readonly property int smallSpacing: 6
    readonly property int radius: 4
    readonly property int fontSize: 14
    readonly property int smallFontSize: 12
    readonly property int titleFontSize: 15
    readonly property int barHeight: 48
    readonly property int panelMinimumWidth: 320
}
