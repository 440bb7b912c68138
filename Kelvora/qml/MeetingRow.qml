// One meeting in the sidebar: the title with its state badge, then the time (or the day and
// time for an older meeting) and the length. Selected rows are marked by the list's moving
// highlight, on which their texts take the highlight's text colour; hover and keyboard focus
// tint the row.
import QtQuick
import Kelvora

Item {
    id: row

    required property int index
    required property string meetingId
    required property string title
    required property string when
    required property int minutes
    required property bool recent
    // A MeetingState value.
    required property int meetingState
    required property MeetingsWindowModel meetings
    // The shared action menu of the list.
    required property MeetingActionMenu menu

    readonly property bool selected: ListView.isCurrentItem
    readonly property bool lastOfDay: ListView.nextSection !== ListView.section
    readonly property bool focused: selected && ListView.view.activeFocus

    objectName: "meetingRow"
    width: ListView.view.width
    implicitHeight: face.height
    // The last row of a day keeps a gap below it.
    height: implicitHeight + (lastOfDay ? 16 : 0)
    Accessible.role: Accessible.ListItem
    Accessible.name: title
    Accessible.selected: selected
    Accessible.onPressAction: meetings.select(meetingId)

    Rectangle {
        id: face
        objectName: "meetingRowFace"
        x: 12
        width: row.width - 24
        height: lines.height + 18
        color: hover.hovered && !row.selected ? Theme.card(Theme.ink2, 0.05) : "transparent"
        border.width: row.focused ? 2 : 0
        border.color: Theme.accent
        Behavior on color { ColorAnimation { duration: Theme.fadeDuration } }

        Column {
            id: lines
            x: 12
            y: 9
            width: face.width - 24
            spacing: 2

            Item {
                width: lines.width
                height: Math.max(titleText.height, badgeView.height)
                Text {
                    id: titleText
                    objectName: "meetingRowTitle"
                    width: parent.width - (badgeView.visible ? badgeView.width + 8 : 0)
                    text: row.title
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    font: Theme.uiStrong
                    color: row.selected ? Theme.onHighlight : Theme.ink
                }
                StateBadge {
                    id: badgeView
                    objectName: "meetingRowBadge"
                    anchors.right: parent.right
                    anchors.baseline: titleText.baseline
                    meetingState: row.meetingState
                    highlighted: row.selected
                }
            }
            Row {
                spacing: 0
                Text {
                    objectName: "meetingRowWhen"
                    text: row.when
                    font: Theme.meta
                    color: row.selected ? Theme.onHighlight : Theme.ink2
                }
                Text {
                    objectName: "meetingRowMinutes"
                    visible: row.minutes > 0
                    text: " · " + row.minutes + " min"
                    font: Theme.meta
                    color: row.selected ? Theme.onHighlight : Theme.ink3
                }
            }
        }
    }

    HoverHandler {
        id: hover
    }
    TapHandler {
        acceptedButtons: Qt.LeftButton
        onTapped: {
            row.ListView.view.forceActiveFocus()
            row.meetings.select(row.meetingId)
        }
    }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: (point) => row.menu.openFor(row.meetingId, face, point.position.x,
                                              point.position.y)
    }
}
