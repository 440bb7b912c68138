// The desktop's folder chooser for the notes folder (the portal's where one runs), opened at
// the current folder; a confirmed folder becomes the notes folder. Meetings already written
// stay where they are.
import QtQuick
import QtQuick.Dialogs

FolderDialog {
    id: chooser

    required property QtObject model

    title: "Carpeta de apuntes"
    currentFolder: model.notesFolderUrl
    onAccepted: model.notesFolderUrl = selectedFolder
}
