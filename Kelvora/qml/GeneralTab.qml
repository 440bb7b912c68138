// Where notes go, the language, the global hotkey, call detection and the subject vocabulary.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kelvora

SettingsPage {
    id: tab

    required property QtObject model

    SettingsGroup {
        RowLayout {
            SettingsLabel { text: "Carpeta de apuntes" }
            Text {
                objectName: "settings.notesFolder"
                Layout.fillWidth: true
                text: tab.model.notesFolder
                font: Theme.ui
                color: Theme.ink2
                elide: Text.ElideMiddle
            }
            QuietButton {
                objectName: "settings.chooseFolder"
                text: "Elegir…"
                onClicked: chooser.open()
            }
        }
        RowLayout {
            SettingsLabel { text: "Idioma" }
            ThemedComboBox {
                objectName: "settings.language"
                Layout.fillWidth: true
                textRole: "name"
                valueRole: "code"
                model: {
                    const options = [{ code: "", name: tab.model.systemLanguageLabel }]
                    for (const code of tab.model.languages)
                        options.push({ code: code, name: tab.model.languageName(code) })
                    return options
                }
                // Read again once the options exist, not only when the language changes.
                currentIndex: count > 0 ? indexOfValue(tab.model.language) : -1
                onActivated: tab.model.language = currentValue
            }
        }
        RowLayout {
            SettingsLabel { text: "Hotkey" }
            Text {
                objectName: "settings.hotkey"
                Layout.fillWidth: true
                font: Theme.ui
                color: Theme.ink2
                wrapMode: Text.Wrap
                text: !tab.model.hotkeysAvailable
                      ? "Global hotkeys are unavailable here: they need an X11 display."
                      : tab.model.recordingHotkey ? "Press a shortcut…"
                      : tab.model.hotkeyLabel !== "" ? tab.model.hotkeyLabel : "Off"
            }
            QuietButton {
                objectName: "settings.hotkeyChange"
                visible: tab.model.hotkeysAvailable
                text: tab.model.recordingHotkey ? "Cancel" : "Change…"
                onClicked: tab.model.recordingHotkey ? tab.model.endHotkeyRecording()
                                                     : tab.model.recordHotkey()
            }
            QuietButton {
                objectName: "settings.hotkeyOff"
                visible: tab.model.hotkeysAvailable && !tab.model.recordingHotkey
                         && tab.model.hotkeyLabel !== ""
                text: "Turn Off"
                onClicked: tab.model.turnOffHotkey()
            }
        }
    }

    SettingsGroup {
        title: "Detección de clases online"
        footer: "Asks when Zoom, Teams, FaceTime, Slack, a browser tab or another call app uses your microphone along with your speakers or camera. A recording started from the prompt stops when the call ends."
        Switch {
            objectName: "settings.askToRecordCalls"
            Layout.fillWidth: true
            text: "Preguntar si grabar al empezar una videollamada"
            font: Theme.ui
            palette.windowText: Theme.ink
            checked: tab.model.askToRecordCalls
            onToggled: tab.model.askToRecordCalls = checked
        }
        Repeater {
            model: tab.model.ignoredCallApps
            RowLayout {
                required property var modelData
                objectName: "settings.ignored"
                Layout.fillWidth: true
                Text {
                    objectName: "settings.ignoredName"
                    Layout.fillWidth: true
                    text: "Not asking for " + modelData.name
                    font: Theme.ui
                    color: Theme.ink
                    elide: Text.ElideRight
                }
                QuietButton {
                    objectName: "settings.askAgain"
                    text: "Ask Again"
                    onClicked: tab.model.askAgain(modelData.id)
                }
            }
        }
    }

    SettingsGroup {
        title: "Vocabulario de la asignatura"
        footer: "Términos técnicos, autores y nombres, uno por línea. Corrigen palabras mal oídas en la transcripción."
        TextArea {
            objectName: "settings.vocabulary"
            Layout.fillWidth: true
            Layout.preferredHeight: 110
            font: Theme.reading
            color: Theme.ink
            wrapMode: TextEdit.Wrap
            background: Rectangle { color: Theme.canvas; border.color: Theme.line; radius: 4 }
            text: tab.model.vocabulary
            onTextChanged: if (text !== tab.model.vocabulary) tab.model.vocabulary = text
        }
    }

    NotesFolderChooser { id: chooser; model: tab.model }
}
