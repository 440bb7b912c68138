// The notes prompt and what happens to the audio after processing.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kelvora

SettingsPage {
    id: tab

    required property GeneralSettings settings

    SettingsGroup {
        title: "Prompt de apuntes"
        TextArea {
            objectName: "settings.notesPrompt"
            Accessible.role: Accessible.EditableText
            Accessible.name: "Prompt de apuntes"
            Layout.fillWidth: true
            Layout.minimumHeight: 240
            font: Theme.code
            color: Theme.ink
            wrapMode: TextEdit.Wrap
            background: Rectangle { color: Theme.canvas; border.color: Theme.line; radius: 4 }
            text: tab.settings.notesPrompt
            onTextChanged: if (text !== tab.settings.notesPrompt) tab.settings.notesPrompt = text
        }
        QuietButton {
            objectName: "settings.restorePrompt"
            text: "Restaurar por defecto"
            enabled: tab.settings.notesPromptEdited
            onClicked: tab.settings.restoreDefaultPrompt()
        }
    }

    SettingsGroup {
        ThemedSwitch {
            objectName: "settings.deleteAudio"
            Layout.fillWidth: true
            text: "Borrar audio tras procesar"
            checked: tab.settings.deleteAudioAfterProcessing
            onToggled: tab.settings.deleteAudioAfterProcessing = checked
        }
    }
}
