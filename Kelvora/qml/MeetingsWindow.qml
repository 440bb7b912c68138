// The meetings window, "main": the list of meetings beside the selected meeting's file.
import QtQuick
import QtQuick.Window
import Kelvora

Window {
    id: window

    // The application model, given by the shell.
    property QtObject appModel

    title: "Tizara"
    width: 1100
    height: 760
    color: Theme.canvas

    Item {
        objectName: "meetingsRoot"
        anchors.fill: parent
    }
}
