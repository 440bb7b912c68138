// The state of a meeting beside its title: a small icon (a dot while recording) and the
// state's word in its colour, all from the state's style. A finished meeting has no badge.
import QtQuick
import Kelvora

Row {
    id: badge

    property int meetingState: MeetingState.Done
    // On the selection's highlight every state reads in the highlight's text colour.
    property bool highlighted: false
    readonly property StateStyle look: StateStyle {
        state: badge.meetingState
        highlighted: badge.highlighted
    }
    readonly property color tone: badge.look.tone

    visible: badge.look.shown
    spacing: 4
    baselineOffset: label.baselineOffset
    Accessible.role: Accessible.StaticText
    Accessible.name: badge.look.text

    Item {
        width: badge.look.dot ? 6 : 12
        height: label.height
        Rectangle {
            objectName: "badgeDot"
            visible: badge.look.dot
            anchors.centerIn: parent
            width: 6
            height: 6
            radius: 3
            color: badge.tone
        }
        Symbol {
            objectName: "badgeSymbol"
            visible: !badge.look.dot
            anchors.centerIn: parent
            width: 12
            height: 12
            name: badge.look.symbol
            color: badge.tone
        }
    }
    Text {
        id: label
        objectName: "badgeText"
        text: badge.look.text
        font: Theme.metaMedium
        color: badge.tone
    }
}
