// The settings window's content: three tabs of grouped rows, every control bound to a part of
// the settings model, which saves each change at once.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kelvora

Rectangle {
    id: root

    required property SettingsModel model
    property alias currentTab: tabs.currentIndex

    // One tab: its symbol before its label, on the sidebar's colour unless it is the current one.
    component SettingsTab: TabButton {
        id: tabButton

        required property string symbol
        readonly property color labelColor: checked ? Theme.ink : Theme.ink2

        font: Theme.ui
        Accessible.role: Accessible.PageTab
        Accessible.name: text
        Accessible.selected: checked
        // A screen reader's press shows the tab, as a click does.
        Accessible.onPressAction: {
            if (!checked)
                toggle()
            clicked()
        }
        background: Rectangle {
            implicitHeight: 40
            color: tabButton.checked ? Theme.canvas : Theme.sidebar
        }
        // Measured out here: the style builds its content item late, so it holds no ids.
        TextMetrics {
            id: labelMetrics
            font: tabButton.font
            text: tabButton.text
        }
        contentItem: Item {
            implicitWidth: Math.ceil(labelMetrics.width)
            implicitHeight: Math.ceil(labelMetrics.height)
            Row {
                anchors.centerIn: parent
                spacing: 6
                Symbol {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 14
                    height: 14
                    name: tabButton.symbol
                    color: tabButton.labelColor
                }
                Text {
                    text: tabButton.text
                    font: tabButton.font
                    color: tabButton.labelColor
                }
            }
        }
    }

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
            SettingsTab { objectName: "settings.tab.general"; text: "General"; symbol: "gearshape" }
            SettingsTab { objectName: "settings.tab.ai"; text: "AI"; symbol: "sparkles" }
            SettingsTab {
                objectName: "settings.tab.advanced"
                text: "Avanzado"
                symbol: "slider.horizontal.3"
            }
        }
        Rectangle { Layout.fillWidth: true; implicitHeight: 1; color: Theme.line }

        StackLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            currentIndex: tabs.currentIndex
            GeneralTab {
                settings: root.model.general
                hotkey: root.model.hotkey
                onChooseFolder: chooser.open()
            }
            AITab { notes: root.model.notes; transcription: root.model.transcription }
            AdvancedTab { settings: root.model.general }
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

    NotesFolderChooser { id: chooser; model: root.model }
}
