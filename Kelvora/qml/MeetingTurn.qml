// One transcript turn: the time (without a leading "00:") and, unless it continues the same
// speaker, the speaker's label above the styled text.
import QtQuick
import Kelvora

Item {
    id: root

    property var block
    readonly property bool labelled: !block.continued && block.speaker !== ""
    readonly property int above: block.continued ? 8 : 24

    implicitHeight: above + column.height

    Accessible.role: Accessible.ListItem
    Accessible.name: "En " + block.time + ", " + (labelled ? block.speakerLabel + ": " : "") + block.text

    Text {
        id: time
        objectName: "turnTime"
        y: root.above + (root.labelled ? speaker.baselineOffset : body.baselineOffset) - baselineOffset
        width: 52
        text: root.block.shortTime
        font: Theme.mono
        color: Theme.ink3
        Accessible.name: "En " + root.block.time
    }

    Column {
        id: column
        x: 52 + 16
        y: root.above
        width: root.width - x
        spacing: 4

        Text {
            id: speaker
            objectName: "turnSpeaker"
            visible: root.labelled
            text: root.block.speakerLabel
            font: Theme.caps(Theme.eyebrow, 0.6)
            color: Theme[root.block.speakerTone] || Theme.ink2
        }
        ReadingText {
            id: body
            objectName: "turnText"
            width: column.width
            styled: root.block.styledText
        }
    }
}
