// The masked API-key field. Typing only changes the draft (KeyDraft decides when it is handed
// on); the field saves it on return, when it loses focus, and when it or its window goes away.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kelvora

ColumnLayout {
    id: root

    property string key
    property string problem

    signal commit(string value)

    spacing: 4
    Component.onDestruction: draft.save()

    KeyDraft {
        id: draft
        key: root.key
        onKeyShown: shown => field.text = shown
        onCommit: value => root.commit(value)
    }

    RowLayout {
        SettingsLabel { text: "API key" }
        TextField {
            id: field
            objectName: root.objectName + ".field"
            Layout.fillWidth: true
            font: Theme.ui
            color: Theme.ink
            echoMode: TextInput.Password
            Accessible.role: Accessible.EditableText
            Accessible.name: "API key"
            Component.onCompleted: text = root.key
            onTextEdited: draft.edit(text)
            onAccepted: draft.save()
            onActiveFocusChanged: if (!activeFocus) draft.save()
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

    Connections {
        target: root.Window.window
        function onVisibleChanged() {
            if (!root.Window.window.visible)
                draft.save()
        }
    }
}
