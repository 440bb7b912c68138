// The settings window.
import QtQuick
import QtQuick.Window
import Kelvora

Window {
    id: window

    // The application model and the settings being edited, given by the shell.
    property AppModel appModel
    property SettingsModel settings

    title: "Ajustes de Tizara"
    width: 540
    height: 480
    minimumWidth: 540
    maximumWidth: 540
    minimumHeight: 480
    maximumHeight: 480
    color: Theme.canvas

    SettingsView {
        objectName: "settingsRoot"
        anchors.fill: parent
        model: window.settings
    }
}
