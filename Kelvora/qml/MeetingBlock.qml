// One block of the Meeting file view: picks the drawing of its kind.
import QtQuick
import Kelvora

Item {
    id: cell

    required property int index
    required property string kind
    required property int level
    required property string marker
    required property string markerText
    required property bool ticked
    required property string text
    required property string styledText
    required property list<string> fields
    required property string time
    required property string shortTime
    required property string speaker
    required property string speakerLabel
    required property color speakerColor
    required property bool continued
    required property bool first
    required property real seconds
    // A turn being heard now; its time was pressed.
    property bool heard: false
    // The block a search hit chose.
    property bool found: false
    signal timePressed()

    // The loader takes the implicit size of the drawing it holds.
    implicitHeight: shown.implicitHeight
    height: implicitHeight

    Rectangle {
        objectName: "foundMark"
        visible: cell.found
        x: -12
        y: -4
        width: cell.width + 24
        height: cell.height + 8
        radius: 6
        color: Theme.card(Theme.accent, 0.12)
        border.width: 1
        border.color: Theme.card(Theme.accent, 0.4)
    }

    Loader {
        id: shown
        width: cell.width
        sourceComponent: {
            switch (cell.kind) {
            case "heading": return heading
            case "item": return item
            case "quote": return quote
            case "code": return code
            case "rule": return rule
            case "transcript": return transcript
            case "turn": return turn
            }
            return paragraph
        }
    }

    // These components live only inside this file, where its ids are in scope; Qt 6.4's
    // lint can't see that, and the pragma that would tell it breaks Loader in 6.4.
    // qmllint disable unqualified
    Component {
        id: heading
        MeetingHeading {
            level: cell.level
            first: cell.first
            text: cell.text
            styledText: cell.styledText
        }
    }
    Component {
        id: item
        MeetingItem {
            level: cell.level
            marker: cell.marker
            markerText: cell.markerText
            ticked: cell.ticked
            styledText: cell.styledText
            fields: cell.fields
        }
    }
    Component { id: quote; MeetingQuote { styledText: cell.styledText } }
    Component { id: code; MeetingCode { styledText: cell.styledText } }
    Component { id: paragraph; MeetingParagraph { styledText: cell.styledText } }
    Component { id: rule; MeetingRule {} }
    Component { id: transcript; MeetingTranscriptHeader { first: cell.first } }
    Component {
        id: turn
        MeetingTurn {
            time: cell.time
            shortTime: cell.shortTime
            speaker: cell.speaker
            speakerLabel: cell.speakerLabel
            speakerColor: cell.speakerColor
            continued: cell.continued
            text: cell.text
            styledText: cell.styledText
            heard: cell.heard
            onTimePressed: cell.timePressed()
            // qmllint enable unqualified
        }
    }
}
