// One backend's choice: the picker, and once a server is chosen, the address and model fields
// with the preset's values as placeholders, the API key when one is needed, and the connection
// test with its status line. Transcription on this computer picks its speech model instead.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kelvora

SettingsGroup {
    id: section

    required property BackendSettings backend

    RowLayout {
        SettingsLabel { text: "Backend" }
        ThemedComboBox {
            objectName: section.objectName + ".choice"
            Accessible.name: "Backend"
            Accessible.description: section.title
            Layout.fillWidth: true
            textRole: "name"
            valueRole: "value"
            model: section.backend.options
            // Read again once the options exist, not only when the choice changes.
            currentIndex: count > 0 ? indexOfValue(section.backend.choice) : -1
            onActivated: section.backend.setChoice(currentValue)
        }
    }

    RowLayout {
        visible: section.backend.onDevice
        SettingsLabel { text: "Model" }
        ThemedComboBox {
            objectName: section.objectName + ".speechModel"
            Accessible.name: "Model"
            Accessible.description: section.title
            Layout.fillWidth: true
            textRole: "name"
            valueRole: "value"
            model: section.backend.onDeviceModels
            currentIndex: count > 0 ? indexOfValue(section.backend.onDeviceModel) : -1
            onActivated: section.backend.setModel(currentValue)
        }
    }
    Text {
        objectName: section.objectName + ".speechModelLine"
        Layout.fillWidth: true
        visible: section.backend.onDevice
        text: section.backend.onDeviceModelLine
        font: Theme.meta
        color: Theme.ink2
        wrapMode: Text.Wrap
    }

    RowLayout {
        visible: section.backend.configured
        SettingsLabel { text: "Address" }
        TextField {
            objectName: section.objectName + ".address"
            Accessible.role: Accessible.EditableText
            Accessible.name: "Address"
            Accessible.description: section.title
            Layout.fillWidth: true
            font: Theme.ui
            color: Theme.ink
            placeholderText: section.backend.addressPlaceholder
            text: section.backend.address
            onEditingFinished: section.backend.setAddress(text)
        }
    }
    Text {
        objectName: section.objectName + ".addressProblem"
        Layout.fillWidth: true
        visible: section.backend.configured && section.backend.addressProblem !== ""
        text: section.backend.addressProblem
        font: Theme.meta
        color: Theme.recording
        wrapMode: Text.Wrap
    }

    RowLayout {
        visible: section.backend.configured
        SettingsLabel { text: "Model" }
        TextField {
            objectName: section.objectName + ".model"
            Accessible.role: Accessible.EditableText
            Accessible.name: "Model"
            Accessible.description: section.title
            Layout.fillWidth: true
            font: Theme.ui
            color: Theme.ink
            placeholderText: section.backend.modelPlaceholder
            text: section.backend.model
            onEditingFinished: section.backend.setModel(text)
        }
    }

    Loader {
        objectName: section.objectName + ".keyRow"
        Layout.fillWidth: true
        active: section.backend.keyNeeded
        visible: active
        sourceComponent: KeyField {
            // These components live only inside this file, where its ids are in scope; Qt 6.4's
            // lint can't see that, and the pragma that would tell it breaks Loader in 6.4.
            // qmllint disable unqualified
            objectName: section.objectName + ".key"
            key: section.backend.key
            problem: section.backend.keyProblem
            // qmllint enable unqualified
            onCommit: value => section.backend.setApiKey(value)
        }
    }

    RowLayout {
        visible: section.backend.configured
        QuietButton {
            objectName: section.objectName + ".test"
            text: "Test"
            onClicked: section.backend.test()
        }
        Text {
            objectName: section.objectName + ".status"
            Layout.fillWidth: true
            visible: section.backend.testState !== BackendSettings.Untested
            text: section.backend.testLine
            font: Theme.meta
            color: Theme.ink2
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
        }
    }
}
