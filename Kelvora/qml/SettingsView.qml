// The settings window's content: three tabs of grouped rows, every control bound to the
// settings model, which saves each change at once.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kelvora

Rectangle {
    id: root

    required property QtObject model
    property alias currentTab: tabs.currentIndex

    implicitWidth: 540
    implicitHeight: 480
    color: Theme.canvas

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        TabBar {
            id: tabs
            objectName: "settings.tabView"
            Layout.fillWidth: true
            background: Rectangle { color: Theme.sidebar }
            Repeater {
                model: [["General", "settings.tab.general"], ["AI", "settings.tab.ai"],
                    ["Avanzado", "settings.tab.advanced"]]
                TabButton {
                    required property var modelData
                    objectName: modelData[1]
                    text: modelData[0]
                    font: Theme.ui
                    palette.buttonText: Theme.ink
                    palette.windowText: Theme.ink
                    palette.button: checked ? Theme.canvas : Theme.sidebar
                    palette.dark: Theme.canvas
                    palette.mid: Theme.sidebar
                }
            }
        }
        Rectangle { Layout.fillWidth: true; implicitHeight: 1; color: Theme.line }

        StackLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            currentIndex: tabs.currentIndex
            GeneralTab { model: root.model }
            AITab { model: root.model }
            AdvancedTab { model: root.model }
        }

        Text {
            objectName: "settings.problem"
            Layout.fillWidth: true
            Layout.margins: 8
            visible: root.model.problem !== ""
            text: root.model.problem
            color: Theme.recording
            font: Theme.meta
            wrapMode: Text.Wrap
        }
    }
}
