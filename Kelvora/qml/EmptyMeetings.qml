// The meetings window before the first meeting: the logo, what to do, the record button
// while nothing records, and the global hotkey when one is set.
import QtQuick
import Kelvora

Column {
    id: empty
    objectName: "emptyMeetings"

    // The global hotkey's label; empty when none is set.
    property string hotkey
    // Offer to start a recording (nothing is recording now).
    property bool canStart: true
    signal start()

    spacing: 12
    width: 320

    KelvMark {
        anchors.horizontalCenter: parent.horizontalCenter
        size: 40
    }
    Text {
        objectName: "emptyTitle"
        anchors.horizontalCenter: parent.horizontalCenter
        text: "Sin clases todavía"
        font: Theme.display
        color: Theme.ink
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }
    Text {
        objectName: "emptyHint"
        width: empty.width
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        text: "Start recording from the tray icon, or drop an audio file anywhere in this window to import it."
        font: Theme.ui
        color: Theme.ink2
    }
    Item { width: 1; height: 4; visible: startButton.visible }
    PillButton {
        id: startButton
        objectName: "emptyStart"
        anchors.horizontalCenter: parent.horizontalCenter
        visible: empty.canStart
        text: "Grabar clase"
        tint: Theme.accent
        filled: true
        onClicked: empty.start()
    }
    Text {
        objectName: "emptyHotkey"
        anchors.horizontalCenter: parent.horizontalCenter
        visible: empty.hotkey !== ""
        text: "or press " + empty.hotkey + " anywhere"
        font: Theme.meta
        color: Theme.ink3
    }
}
