// Where notes go, the language, the global hotkey, call detection and the subject vocabulary.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kelvora

SettingsPage {
    id: tab

    required property GeneralSettings settings
    required property HotkeyRecorder hotkey

    // "Elegir…": the window shows the desktop's folder chooser.
    signal chooseFolder()

    SettingsGroup {
        RowLayout {
            SettingsLabel { text: "Carpeta de apuntes" }
            Text {
                objectName: "settings.notesFolder"
                Layout.fillWidth: true
                text: tab.settings.notesFolder
                font: Theme.ui
                color: Theme.ink2
                elide: Text.ElideMiddle
            }
            QuietButton {
                objectName: "settings.chooseFolder"
                text: "Elegir…"
                onClicked: tab.chooseFolder()
            }
        }
        RowLayout {
            SettingsLabel { text: "Idioma" }
            ThemedComboBox {
                objectName: "settings.language"
                Accessible.name: "Idioma"
                Layout.fillWidth: true
                textRole: "name"
                valueRole: "value"
                model: tab.settings.languageOptions
                // Read again once the options exist, not only when the language changes.
                currentIndex: count > 0 ? indexOfValue(tab.settings.language) : -1
                onActivated: tab.settings.language = currentValue
            }
        }
        RowLayout {
            SettingsLabel { text: "Hotkey" }
            Text {
                id: hotkeyText
                objectName: "settings.hotkey"
                Layout.fillWidth: true
                font: Theme.ui
                color: Theme.ink2
                wrapMode: Text.Wrap
                text: tab.hotkey.text
                // While capturing, this row has the focus and every key goes to the capture,
                // so the window's shortcuts don't act on it.
                Keys.onShortcutOverride: event => event.accepted = tab.hotkey.recording
                Keys.onPressed: event => event.accepted = tab.hotkey.press(event.key, event.modifiers)
                Keys.onReleased: event => event.accepted = tab.hotkey.recording
            }
            QuietButton {
                objectName: "settings.hotkeyChange"
                visible: tab.hotkey.available
                text: tab.hotkey.changeText
                onClicked: {
                    tab.hotkey.toggleRecording()
                    if (tab.hotkey.recording)
                        hotkeyText.forceActiveFocus()
                }
            }
            QuietButton {
                objectName: "settings.hotkeyOff"
                visible: tab.hotkey.canTurnOff
                text: "Turn Off"
                onClicked: tab.hotkey.turnOff()
            }
        }
    }

    SettingsGroup {
        title: "Detección de clases online"
        footer: "Asks when Zoom, Teams, FaceTime, Slack, a browser tab or another call app uses your microphone along with your speakers or camera. A recording started from the prompt stops when the call ends."
        ThemedSwitch {
            objectName: "settings.askToRecordCalls"
            Layout.fillWidth: true
            text: "Preguntar si grabar al empezar una videollamada"
            checked: tab.settings.askToRecordCalls
            onToggled: tab.settings.askToRecordCalls = checked
        }
        Repeater {
            model: tab.settings.ignoredCallApps
            RowLayout {
                id: ignoredRow
                required property string modelData
                required property int index
                objectName: "settings.ignored"
                Layout.fillWidth: true
                Text {
                    objectName: "settings.ignoredName"
                    Layout.fillWidth: true
                    text: ignoredRow.modelData
                    font: Theme.ui
                    color: Theme.ink
                    elide: Text.ElideRight
                }
                QuietButton {
                    objectName: "settings.askAgain"
                    text: "Ask Again"
                    // These components live only inside this file, where its ids are in scope; Qt 6.4's
                    // lint can't see that, and the pragma that would tell it breaks Loader in 6.4.
                    // qmllint disable unqualified
                    onClicked: tab.settings.askAgain(ignoredRow.index)
                    // qmllint enable unqualified
                }
            }
        }
    }

    SettingsGroup {
        title: "Vocabulario de la asignatura"
        footer: "Términos técnicos, autores y nombres, uno por línea. Corrigen palabras mal oídas en la transcripción."
        TextArea {
            objectName: "settings.vocabulary"
            Accessible.role: Accessible.EditableText
            Accessible.name: "Vocabulario de la asignatura"
            Layout.fillWidth: true
            Layout.preferredHeight: 110
            font: Theme.reading
            color: Theme.ink
            wrapMode: TextEdit.Wrap
            background: Rectangle { color: Theme.canvas; border.color: Theme.line; radius: 4 }
            text: tab.settings.vocabulary
            onTextChanged: if (text !== tab.settings.vocabulary) tab.settings.vocabulary = text
        }
    }
}
