// One transcript turn: the time (without a leading "00:") and, unless it continues the same
// speaker, the speaker's label above the styled text.
import QtQuick
import Kelvora

Item {
    id: root

    required property string time
    required property string shortTime
    required property string speaker
    required property string speakerLabel
    required property color speakerColor
    required property bool continued
    required property string text
    required property string styledText
    readonly property bool labelled: !root.continued && root.speaker !== ""
    readonly property int above: root.continued ? 8 : 24

    implicitHeight: above + column.height

    Accessible.role: Accessible.ListItem
    Accessible.name: "En " + root.time + ", " + (root.labelled ? root.speakerLabel + ": " : "")
                     + root.text

    Text {
        id: timeText
        objectName: "turnTime"
        y: root.above + (root.labelled ? speakerText.baselineOffset : body.baselineOffset) - baselineOffset
        width: 52
        text: root.shortTime
        font: Theme.mono
        color: Theme.ink3
        Accessible.name: "En " + root.time
    }

    Column {
        id: column
        x: 52 + 16
        y: root.above
        width: root.width - x
        spacing: 4

        Text {
            id: speakerText
            objectName: "turnSpeaker"
            visible: root.labelled
            text: root.speakerLabel
            font: Theme.caps(Theme.eyebrow, 0.6)
            color: root.speakerColor
        }
        ReadingText {
            id: body
            objectName: "turnText"
            width: column.width
            styled: root.styledText
        }
    }
}
