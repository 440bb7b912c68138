// One transcript turn: the time (without a leading "00:") and, unless it continues the same
// speaker, the speaker's label above the styled text. The time is a button that plays the
// class from that moment; the turn being heard shows its time on the highlight.
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
    property bool heard: false
    signal timePressed()

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
        color: root.heard ? Theme.onHighlight : (timePress.containsMouse ? Theme.ink : Theme.ink3)
        Accessible.role: Accessible.Button
        Accessible.name: "En " + root.time
        Accessible.onPressAction: root.timePressed()

        Rectangle {
            objectName: "turnHeard"
            z: -1
            x: -4
            y: -2
            width: timeText.contentWidth + 8
            height: timeText.height + 4
            visible: root.heard
            color: Theme.highlight
        }
        MouseArea {
            id: timePress
            objectName: "turnTimeButton"
            x: -4
            width: timeText.contentWidth + 8
            height: timeText.height
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: root.timePressed()
        }
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
