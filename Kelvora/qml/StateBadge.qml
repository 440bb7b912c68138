// The state of a meeting beside its title: a small icon and the state's word in its colour.
// A finished meeting has no badge.
import QtQuick
import Kelvora

Row {
    id: badge

    // "recording", "processing", "interrupted", "needs-attention" or "done".
    property string state: "done"
    // The word, as the list model gives it ("Grabando", …); empty for done.
    property string text: ""
    // On the selection's highlight every state reads in the highlight's text colour.
    property bool highlighted: false
    readonly property color tone: {
        if (badge.highlighted) return Theme.onHighlight
        switch (badge.state) {
        case "recording": return Theme.recording
        case "processing": return Theme.accent
        case "interrupted": return Theme.interrupted
        case "needs-attention": return Theme.attention
        }
        return Theme.ink3
    }

    visible: text !== ""
    spacing: 4
    baselineOffset: label.baselineOffset
    Accessible.role: Accessible.StaticText
    Accessible.name: text

    Item {
        width: badge.state === "recording" ? 6 : 12
        height: label.height
        Rectangle {
            objectName: "badgeDot"
            visible: badge.state === "recording"
            anchors.centerIn: parent
            width: 6
            height: 6
            radius: 3
            color: badge.tone
        }
        Symbol {
            visible: badge.state !== "recording"
            anchors.centerIn: parent
            width: 12
            height: 12
            name: {
                switch (badge.state) {
                case "processing": return "circle.dotted.circle"
                case "interrupted": return "bolt.horizontal.circle"
                case "needs-attention": return "exclamationmark.triangle.fill"
                }
                return ""
            }
            color: badge.tone
        }
    }
    Text {
        id: label
        objectName: "badgeText"
        text: badge.text
        font: Qt.font({ family: Theme.meta.family, pointSize: Theme.meta.pointSize,
                        weight: Font.Medium })
        color: badge.tone
    }
}
