// The masked API-key field. Typing only changes the draft; the draft is handed on (`commit`)
// on return, when the field loses focus, 0.6 s after the last keystroke, and when the field or
// its window goes away, so the keyring is written once per pause and never for an unchanged
// key.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kelvora

ColumnLayout {
    id: root

    property string key
    property string problem
    // The text being typed, or undefined when nothing is pending.
    property var draft: undefined

    signal commit(string value)

    function save() {
        pause.stop()
        const pending = draft
        draft = undefined
        if (pending !== undefined && pending !== key)
            commit(pending)
    }

    spacing: 4
    onKeyChanged: if (draft === undefined) field.text = key
    Component.onDestruction: save()

    RowLayout {
        SettingsLabel { text: "API key" }
        TextField {
            id: field
            objectName: root.objectName + ".field"
            Layout.fillWidth: true
            font: Theme.ui
            color: Theme.ink
            echoMode: TextInput.Password
            Accessible.name: "API key"
            Component.onCompleted: text = root.key
            onTextEdited: {
                root.draft = text
                pause.restart()
            }
            onAccepted: root.save()
            onActiveFocusChanged: if (!activeFocus) root.save()
        }
    }
    Text {
        objectName: root.objectName + ".problem"
        Layout.fillWidth: true
        visible: root.problem !== ""
        text: root.problem
        font: Theme.meta
        color: Theme.recording
        wrapMode: Text.Wrap
    }

    Timer {
        id: pause
        interval: 600
        onTriggered: root.save()
    }
    Connections {
        target: root.Window.window
        function onVisibleChanged() {
            if (!root.Window.window.visible)
                root.save()
        }
    }
}
