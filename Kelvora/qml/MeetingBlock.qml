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
    required property var fields
    required property string time
    required property string shortTime
    required property string speaker
    required property string speakerLabel
    required property string speakerTone
    required property bool continued
    required property bool first

    implicitHeight: shown.item ? shown.item.implicitHeight : 0
    height: implicitHeight

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

    Component { id: heading; MeetingHeading { block: cell } }
    Component { id: item; MeetingItem { block: cell } }
    Component { id: quote; MeetingQuote { block: cell } }
    Component { id: code; MeetingCode { block: cell } }
    Component { id: paragraph; MeetingParagraph { block: cell } }
    Component { id: rule; MeetingRule { block: cell } }
    Component { id: transcript; MeetingTranscriptHeader { block: cell } }
    Component { id: turn; MeetingTurn { block: cell } }
}
