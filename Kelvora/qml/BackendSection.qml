// One backend's choice: the picker, and unless the off choice is picked, the address and model
// fields with the preset's values as placeholders, the API key when one is needed, and the
// connection test with its status line.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kelvora

SettingsGroup {
    id: section

    required property QtObject model
    // "notes" or "transcription"
    required property string role
    required property string offName
    readonly property var backend: role === "notes" ? model.notes : model.transcription

    RowLayout {
        SettingsLabel { text: "Backend" }
        ThemedComboBox {
            objectName: section.objectName + ".choice"
            Layout.fillWidth: true
            textRole: "name"
            valueRole: "value"
            model: {
                const options = [{ name: section.offName, value: "" }]
                for (const preset of section.backend.presets)
                    options.push({ name: preset.name, value: preset.name })
                options.push({ name: "Custom server", value: "custom" })
                return options
            }
            // Read again once the options exist, not only when the choice changes.
            currentIndex: count > 0 ? indexOfValue(section.backend.choice) : -1
            onActivated: section.model.setChoice(section.role, currentValue)
        }
    }

    RowLayout {
        visible: section.backend.choice !== ""
        SettingsLabel { text: "Address" }
        TextField {
            objectName: section.objectName + ".address"
            Layout.fillWidth: true
            font: Theme.ui
            color: Theme.ink
            placeholderText: section.backend.addressPlaceholder
            text: section.backend.address
            onEditingFinished: section.model.setAddress(section.role, text)
        }
    }
    Text {
        objectName: section.objectName + ".addressProblem"
        Layout.fillWidth: true
        visible: section.backend.choice !== "" && section.backend.addressProblem !== ""
        text: section.backend.addressProblem
        font: Theme.meta
        color: Theme.recording
        wrapMode: Text.Wrap
    }

    RowLayout {
        visible: section.backend.choice !== ""
        SettingsLabel { text: "Model" }
        TextField {
            objectName: section.objectName + ".model"
            Layout.fillWidth: true
            font: Theme.ui
            color: Theme.ink
            placeholderText: section.backend.modelPlaceholder
            text: section.backend.model
            onEditingFinished: section.model.setModel(section.role, text)
        }
    }

    Loader {
        objectName: section.objectName + ".keyRow"
        Layout.fillWidth: true
        active: section.backend.keyNeeded
        visible: active
        sourceComponent: KeyField {
            objectName: section.objectName + ".key"
            key: section.backend.key
            problem: section.backend.keyProblem
            onCommit: value => section.model.setApiKey(section.role, value)
        }
    }

    RowLayout {
        visible: section.backend.choice !== ""
        QuietButton {
            objectName: section.objectName + ".test"
            text: "Test"
            onClicked: section.model.test(section.role)
        }
        Text {
            objectName: section.objectName + ".status"
            Layout.fillWidth: true
            visible: section.backend.test !== undefined && section.backend.test !== null
            text: visible ? section.backend.test : ""
            font: Theme.meta
            color: Theme.ink2
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
        }
    }
}
