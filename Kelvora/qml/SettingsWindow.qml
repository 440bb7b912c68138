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
    // 540 × 480 at the standard text size, larger with a larger text.
    width: Math.round(540 * Theme.textScale)
    height: Math.round(480 * Theme.textScale)
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    color: Theme.canvas

    SettingsView {
        objectName: "settingsRoot"
        anchors.fill: parent
        model: window.settings
    }
}
