import QtQuick
import QtQuick.Controls
import OrviMotion.Theme

// Representation 2: the analysis points, and the signal and local spectrum of the selected one.
Item {
    id: points

    required property var spectrum
    property bool interactionEnabled: true
    // 0 points, 1 signal trace, 2 local spectrum; owned by the result view.
    property int displayMode: 0
    signal displayModeRequested(int mode)

    // Automation contract shared by the representations.
    function viewState() { return {} }
    function resetView() { return { ok: false, error: "unsupported_view" } }
    function setView(request) { return { ok: false, error: "unsupported_view" } }

    Label {
        anchors.centerIn: parent
        color: Theme.textMuted
        text: qsTr("This view is not drawn yet.")
    }
}
