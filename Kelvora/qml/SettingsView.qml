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
    // The controls of every tab take their colours from the theme in each appearance.
    palette.window: Theme.canvas
    palette.windowText: Theme.ink
    palette.base: Theme.raised
    palette.alternateBase: Theme.sidebar
    palette.text: Theme.ink
    palette.button: Theme.raised
    palette.buttonText: Theme.ink
    palette.brightText: Theme.ink
    palette.highlight: Theme.accent
    palette.highlightedText: Theme.onFill
    palette.placeholderText: Theme.ink3
    palette.light: Theme.raised
    palette.midlight: Theme.sidebar
    palette.mid: Theme.line
    palette.dark: Theme.ink2
    palette.shadow: Theme.line

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        TabBar {
            id: tabs
            objectName: "settings.tabView"
            Layout.fillWidth: true
            background: Rectangle { color: Theme.sidebar }
            Repeater {
                model: [["General", "settings.tab.general", "gearshape"],
                    ["AI", "settings.tab.ai", "sparkles"],
                    ["Avanzado", "settings.tab.advanced", "slider.horizontal.3"]]
                TabButton {
                    id: tabButton
                    required property var modelData
                    objectName: modelData[1]
                    text: modelData[0]
                    font: Theme.ui
                    background: Rectangle {
                        implicitHeight: 40
                        color: tabButton.checked ? Theme.canvas : Theme.sidebar
                    }
                    contentItem: Item {
                        implicitWidth: tabLabel.implicitWidth
                        implicitHeight: tabLabel.implicitHeight
                        Row {
                            anchors.centerIn: parent
                            spacing: 6
                            Symbol {
                                anchors.verticalCenter: parent.verticalCenter
                                width: 14
                                height: 14
                                name: tabButton.modelData[2]
                                color: tabLabel.color
                            }
                            Text {
                                id: tabLabel
                                text: tabButton.text
                                font: tabButton.font
                                color: tabButton.checked ? Theme.ink : Theme.ink2
                            }
                        }
                    }
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
