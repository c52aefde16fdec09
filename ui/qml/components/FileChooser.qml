import QtQuick
import Qt.labs.platform as Platform

// A file dialog made fresh for every choice, so that it never shows what was typed last time:
// the desktop's own dialog where the desktop offers one, Qt's otherwise. Both take a typed path
// or a new name.
QtObject {
    id: chooser

    property string title
    property bool saving: false
    property var nameFilters: []
    property string defaultSuffix
    property url folder
    property url currentFile
    property Platform.FileDialog dialog: null
    readonly property bool visible: !!dialog && dialog.visible

    signal accepted(url file)
    signal rejected()

    function open() {
        if (dialog)
            return
        dialog = dialogComponent.createObject(chooser)
        if (String(folder).length > 0)
            dialog.folder = folder
        dialog.open()
        // Qt's own dialog takes a proposed name only once it is shown.
        if (String(currentFile).length > 0)
            dialog.currentFile = currentFile
    }
    function close() {
        if (dialog)
            dialog.close()
    }
    function finish(file, chosen) {
        dialog.destroy()
        dialog = null
        if (chosen)
            accepted(file)
        else
            rejected()
    }

    readonly property Component dialogComponent: Component {
        Platform.FileDialog {
            id: fileDialog
            title: chooser.title
            fileMode: chooser.saving ? Platform.FileDialog.SaveFile : Platform.FileDialog.OpenFile
            nameFilters: chooser.nameFilters
            defaultSuffix: chooser.defaultSuffix
            // Saving: the program refuses an existing file with its own message and never
            // replaces one, so the dialog need not ask.
            options: chooser.saving ? Platform.FileDialog.DontConfirmOverwrite
                                    : Platform.FileDialog.HideNameFilterDetails
            onAccepted: chooser.finish(fileDialog.file, true)
            onRejected: chooser.finish("", false)
        }
    }
}
