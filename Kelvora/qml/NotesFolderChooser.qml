// The desktop's folder chooser for the notes folder (the portal's where one runs), opened at
// the current folder; a confirmed folder becomes the notes folder. Meetings already written
// stay where they are.
import QtQuick
import QtQuick.Dialogs
import Kelvora

FolderDialog {
    id: chooser

    required property SettingsModel model

    title: "Carpeta de apuntes"
    currentFolder: chooser.model.general.notesFolderUrl
    onAccepted: chooser.model.general.notesFolderUrl = chooser.selectedFolder
}
