// The tray pop-over's content, 300 wide on the `sidebar` colour: the idle header or the
// running recording, the low-disk card, the waiting meetings, and the three rows. The texts
// and actions come from the menu model; `active` (the pop-over's window is the active one)
// starts and stops the live parts: the running clock, the meters and the processing bar.
import QtQuick
import QtQuick.Layouts
import Kelvora

Rectangle {
    id: view

    required property MenuModel menu
    property bool active: false
    // When set, pressing a row does not ask to close first (the content in an ordinary window).
    property bool standalone: false
    // The time the elapsed clock shows; moved on every second only while active.
    property date now: new Date()

    // Asked before a row's action runs.
    signal dismissRequested()

    objectName: "menuView"
    // 300 wide at the standard text size, wider with a larger text.
    width: Math.round(300 * Theme.textScale)
    implicitHeight: column.implicitHeight
    color: Theme.sidebar

    function runRow(action) {
        if (!standalone)
            dismissRequested()
        action()
    }

    onActiveChanged: now = new Date()
    Connections {
        target: view.menu
        function onChanged() { if (view.menu.recording) view.now = new Date() }
    }
    Timer {
        objectName: "elapsedTimer"
        interval: Theme.clockInterval
        repeat: true
        running: view.active && view.menu.recording
        onTriggered: view.now = new Date()
    }

    Shortcut {
        sequence: "Ctrl+O"
        onActivated: view.runRow(view.menu.openMainWindow)
    }
    Shortcut {
        sequence: "Ctrl+,"
        onActivated: view.runRow(view.menu.openSettings)
    }
    Shortcut {
        sequence: "Ctrl+Q"
        onActivated: view.runRow(view.menu.quit)
    }

    Column {
        id: column
        width: parent.width

        MenuSection {
            objectName: "idleHeader"
            shown: !view.menu.recording
            padTop: 16

            ColumnLayout {
                width: parent.width
                spacing: 12

                RowLayout {
                    spacing: 12
                    KelvMark {
                        size: 32
                        Layout.alignment: Qt.AlignVCenter
                    }
                    ColumnLayout {
                        spacing: 2
                        Text {
                            text: "Tizara"
                            font: Theme.uiStrong
                            color: Theme.ink
                        }
                        Text {
                            objectName: "statusLine"
                            text: view.menu.statusLine
                            font: Theme.meta
                            color: Theme.ink2
                            elide: Text.ElideRight
                            Layout.maximumWidth: 220
                        }
                    }
                }
                StartStopButton {
                    objectName: "idleButton"
                    menu: view.menu
                    Layout.fillWidth: true
                }
            }
        }

        MenuSection {
            objectName: "recordingHeader"
            shown: view.menu.recording
            padTop: 16

            ColumnLayout {
                width: parent.width
                spacing: 12

                RowLayout {
                    spacing: 6
                    Rectangle {
                        Layout.preferredWidth: 8
                        Layout.preferredHeight: 8
                        Layout.alignment: Qt.AlignVCenter
                        color: Theme.recording
                    }
                    Text {
                        text: "Grabando"
                        font: Theme.caps(Theme.eyebrow, 0.6)
                        color: Theme.recording
                        Layout.alignment: Qt.AlignVCenter
                    }
                    Item { Layout.fillWidth: true }
                    Text {
                        objectName: "elapsedTime"
                        text: view.menu.elapsedText(view.now)
                        font: Theme.clock
                        color: Theme.ink
                        Accessible.role: Accessible.StaticText
                        Accessible.name: "Tiempo transcurrido"
                        Accessible.description: text
                    }
                }
                ColumnLayout {
                    spacing: 8
                    Layout.bottomMargin: 4
                    LevelMeter {
                        objectName: "micMeter"
                        label: "Micrófono"
                        speaker: "You"
                        running: view.active && view.menu.recording
                        source: view.menu.micLevel
                        Layout.fillWidth: true
                    }
                    LevelMeter {
                        objectName: "systemMeter"
                        label: "Sistema"
                        speaker: "Them"
                        running: view.active && view.menu.recording
                        source: view.menu.systemLevel
                        Layout.fillWidth: true
                    }
                }
                StartStopButton {
                    objectName: "recordingButton"
                    menu: view.menu
                    Layout.fillWidth: true
                }
            }
        }

        MenuSection {
            objectName: "lowDiskSection"
            shown: view.menu.lowDisk

            Card {
                objectName: "lowDiskCard"
                width: parent.width
                height: lowDiskRow.implicitHeight + 24
                color: Theme.attention
                fill: 0.1
                Accessible.role: Accessible.AlertMessage
                Accessible.name: "Poco espacio en disco. " + view.menu.lowDiskText

                RowLayout {
                    id: lowDiskRow
                    x: 12
                    y: 12
                    width: parent.width - 24
                    spacing: 8
                    Symbol {
                        name: "exclamationmark.triangle.fill"
                        color: Theme.attention
                        Layout.alignment: Qt.AlignTop
                    }
                    ColumnLayout {
                        spacing: 2
                        Layout.fillWidth: true
                        Text {
                            text: "Poco espacio en disco"
                            font: Theme.uiStrong
                            color: Theme.attention
                        }
                        Text {
                            objectName: "lowDiskText"
                            text: view.menu.lowDiskText
                            font: Theme.meta
                            color: Theme.ink
                            wrapMode: Text.Wrap
                            Layout.fillWidth: true
                        }
                    }
                }
            }
        }

        MenuSection {
            objectName: "queueSection"
            shown: view.menu.queue.count > 0

            ColumnLayout {
                width: parent.width
                spacing: 8

                Text {
                    text: "Procesando"
                    font: Theme.caps(Theme.eyebrow, 0.6)
                    color: Theme.ink2
                }
                Repeater {
                    model: view.menu.queue
                    // These components live only inside this file, where its ids are in scope; Qt 6.4's
                    // lint can't see that, and the pragma that would tell it breaks Loader in 6.4.
                    // qmllint disable unqualified
                    delegate: ColumnLayout {
                        id: entry
                        required property string label
                        required property string stateText
                        required property bool processing
                        objectName: "queueEntry"
                        spacing: 6
                        Layout.fillWidth: true
                        Accessible.role: Accessible.StaticText
                        Accessible.name: entry.label + ", " + entry.stateText

                        RowLayout {
                            spacing: 8
                            Layout.fillWidth: true
                            Text {
                                objectName: "queueLabel"
                                text: entry.label
                                font: Theme.ui
                                color: Theme.ink
                                elide: Text.ElideRight
                                maximumLineCount: 1
                                Layout.fillWidth: true
                            }
                            Text {
                                objectName: "queueState"
                                text: entry.stateText
                                font: Theme.meta
                                color: entry.processing ? Theme.accent : Theme.ink3
                                Layout.leftMargin: 8
                            }
                        }
                        ProcessingBar {
                            objectName: "queueBar"
                            visible: entry.processing
                            running: view.active && entry.processing
                            // qmllint enable unqualified
                            Layout.fillWidth: true
                        }
                    }
                }
            }
        }

        Rectangle {
            width: parent.width
            height: 1
            color: Theme.line
        }

        ColumnLayout {
            width: parent.width - 12
            x: 6
            spacing: 0
            Item { Layout.preferredHeight: 6 }
            MenuRow {
                objectName: "openRow"
                symbol: "macwindow"
                text: "Abrir Tizara"
                shortcut: "Ctrl+O"
                onClicked: view.runRow(view.menu.openMainWindow)
            }
            MenuRow {
                objectName: "settingsRow"
                symbol: "gearshape"
                text: "Ajustes…"
                shortcut: "Ctrl+,"
                onClicked: view.runRow(view.menu.openSettings)
            }
            MenuRow {
                objectName: "quitRow"
                symbol: "power"
                text: "Salir de Tizara"
                shortcut: "Ctrl+Q"
                onClicked: view.runRow(view.menu.quit)
            }
            Item { Layout.preferredHeight: 6 }
        }
    }
}
