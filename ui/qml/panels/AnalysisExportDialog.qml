import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui

// Chooses one of the eight analysis exports and where it goes; the spectrum controller writes it.
Dialog {
    id: dialog

    required property var spectrum
    property int formatIndex: 0
    property bool logarithmicColors: true
    property url destination: ""
    readonly property bool destinationVisible: chooser.visible
    readonly property bool helpVisible: help.visible
    readonly property var formats: [
        { name: qsTr("PDF report"), filter: qsTr("PDF document (*.pdf)"), suffix: "pdf" },
        { name: qsTr("DOCX report"), filter: qsTr("Word document (*.docx)"), suffix: "docx" },
        { name: qsTr("Spectrum CSV"), filter: qsTr("CSV table (*.csv)"), suffix: "csv" },
        { name: qsTr("Cell data CSV"), filter: qsTr("CSV table (*.csv)"), suffix: "csv" },
        { name: qsTr("Analysis data JSON"), filter: qsTr("JSON data (*.json)"), suffix: "json" },
        { name: qsTr("Spectrum PNG"), filter: qsTr("PNG image (*.png)"), suffix: "png" },
        { name: qsTr("Power map PNG"), filter: qsTr("PNG image (*.png)"), suffix: "png" },
        { name: qsTr("Phase map PNG"), filter: qsTr("PNG image (*.png)"), suffix: "png" }
    ]

    title: qsTr("Export analysis")
    modal: true
    closePolicy: Popup.CloseOnEscape
    anchors.centerIn: parent
    width: Math.min(560, (parent ? parent.width : 600) - 32)
    padding: Theme.spacing

    function openDestinationChooser() {
        if (!visible)
            return false
        // Reports get a dated name beside the source; other files start where the last went.
        const suggested = spectrum ? spectrum.suggestedAnalysisFileUrl(formatIndex) : ""
        startFile.url = String(suggested).length > 0 ? suggested : destination
        chooser.folder = startFile.path.length > 0 ? startFile.folderUrl
                                                   : (spectrum ? spectrum.exportFolderUrl : "")
        chooser.currentFile = startFile.url
        chooser.open()
        return true
    }
    function closeDestinationChooser() {
        chooser.close()
    }
    function openHelp() {
        help.open()
    }
    function closeHelp() {
        help.close()
    }
    // Reports get a proposed name beside the source at once; the other formats are chosen.
    function proposeDestination() {
        destination = spectrum ? spectrum.suggestedAnalysisFileUrl(formatIndex) : ""
    }
    onAboutToShow: proposeDestination()
    onFormatIndexChanged: if (visible) proposeDestination()
    onAboutToHide: {
        chooser.close()
        help.close()
    }
    onRejected: if (spectrum) spectrum.dismissReportMessage()

    contentItem: ColumnLayout {
        spacing: Theme.smallSpacing

        ButtonGroup { id: formatGroup }
        Repeater {
            model: dialog.formats
            delegate: RadioButton {
                required property var modelData
                required property int index
                // The map figures exist only once their map has been calculated.
                readonly property bool available: !dialog.spectrum
                                                  || (index === 6 ? dialog.spectrum.mapAvailable
                                                      : index === 7 ? dialog.spectrum.phaseAvailable
                                                      : true)
                enabled: available
                text: available ? modelData.name : qsTr("%1 (not calculated yet)").arg(modelData.name)
                checked: dialog.formatIndex === index
                ButtonGroup.group: formatGroup
                onClicked: dialog.formatIndex = index
            }
        }
        CheckBox {
            // Only the reports and the power map figure draw power colours.
            enabled: [0, 1, 6].indexOf(dialog.formatIndex) >= 0
            text: qsTr("Logarithmic power scale")
            checked: dialog.logarithmicColors
            onToggled: dialog.logarithmicColors = checked
        }
        RowLayout {
            Layout.fillWidth: true
            Label {
                Layout.fillWidth: true
                elide: Text.ElideMiddle
                text: destinationFile.path.length > 0 ? destinationFile.path : qsTr("No file chosen")
                color: destinationFile.path.length > 0 ? Theme.text : Theme.textMuted
                LocalFile {
                    id: destinationFile
                    url: dialog.destination
                }
            }
            Button {
                text: qsTr("Choose file…")
                onClicked: dialog.openDestinationChooser()
            }
        }
        Label {
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            visible: text.length > 0
            text: dialog.spectrum ? dialog.spectrum.reportMessage : ""
            color: Theme.textMuted
        }
        RowLayout {
            Layout.fillWidth: true
            Button {
                text: "?"
                Accessible.name: qsTr("About the exports")
                onClicked: help.open()
            }
            Item { Layout.fillWidth: true }
            Button {
                text: qsTr("Cancel")
                onClicked: dialog.reject()
            }
            Button {
                text: qsTr("Export")
                highlighted: true
                enabled: !!dialog.spectrum && dialog.spectrum.canExportReport
                         && String(dialog.destination).length > 0
                onClicked: {
                    if (dialog.spectrum.exportAnalysis(dialog.destination, dialog.formatIndex,
                                                       dialog.logarithmicColors))
                        dialog.accept()
                }
            }
        }
    }

    LocalFile {
        id: startFile
    }
    FileChooser {
        id: chooser
        title: qsTr("Export analysis")
        saving: true
        nameFilters: [dialog.formats[dialog.formatIndex].filter]
        defaultSuffix: dialog.formats[dialog.formatIndex].suffix
        onAccepted: (file) => dialog.destination = file
    }
    Dialog {
        id: help
        title: qsTr("Analysis exports")
        modal: true
        parent: Overlay.overlay
        anchors.centerIn: parent
        // Fixed from the window, not from the dialog's own size: otherwise the button row sets
        // it and the text runs across the window.
        readonly property real textWidth: Math.min(480, (parent ? parent.width : 560) - 96)
        width: textWidth + leftPadding + rightPadding
        standardButtons: Dialog.Close
        Label {
            width: help.textWidth
            wrapMode: Text.Wrap
            text: qsTr("Reports (PDF, DOCX) describe the whole analysis with its figures. The CSV and JSON files hold the numbers for further processing. The PNG files are the figures alone. An existing file is never overwritten.")
        }
    }
}
