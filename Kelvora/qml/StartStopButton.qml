// The pop-over's full-width record button: `recording` tint while recording, `accent`
// otherwise, with its glyph, title and the saved shortcut.
import QtQuick
import QtQuick.Layouts
import Kelvora

PillButton {
    id: button

    required property MenuModel menu
    readonly property bool recording: menu.recording

    objectName: "startStopButton"
    filled: true
    wide: true
    tint: recording ? Theme.recording : Theme.accent
    text: menu.buttonTitle
    Accessible.name: menu.buttonTitle
    Accessible.description: menu.buttonHint
    onClicked: menu.pressButton()

    RowLayout {
        id: row
        anchors.fill: parent
        spacing: 8

        // Idle: a 10-point `recording` square on a 16-point `onFill` one; recording: the small
        // square alone, in `onFill`.
        Rectangle {
            objectName: "buttonGlyph"
            Layout.preferredWidth: 16
            Layout.preferredHeight: 16
            color: button.recording ? "transparent" : Theme.onFill
            Rectangle {
                objectName: "buttonGlyphInner"
                anchors.centerIn: parent
                width: 10
                height: 10
                color: button.recording ? Theme.onFill : Theme.recording
            }
        }
        // The title has the first claim on the width: the shortcut, a reminder, gives way and
        // is cut at its start so its key stays readable.
        Text {
            id: title
            objectName: "buttonTitle"
            text: button.menu.buttonTitle
            font: button.labelFont
            color: button.labelColor
            elide: Text.ElideRight
            Layout.fillWidth: true
            Layout.minimumWidth: Math.min(implicitWidth, Math.max(0, row.width - 16 - 3 * row.spacing - 48))
            Layout.maximumWidth: implicitWidth
        }
        Item { Layout.fillWidth: true }
        Text {
            objectName: "buttonShortcut"
            visible: text !== ""
            text: button.menu.shortcutLabel
            font: Theme.meta
            color: button.labelColor
            opacity: 0.75
            elide: Text.ElideLeft
            horizontalAlignment: Text.AlignRight
            Layout.fillWidth: true
            Layout.maximumWidth: implicitWidth
        }
    }
}
