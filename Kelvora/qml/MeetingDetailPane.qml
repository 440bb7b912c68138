// The right side of the meetings window for the selected meeting: one scrolling column, at
// most 660 wide, of the header and banner followed by the Meeting file or the placeholder,
// with the toolbar over its top right, and the player under the header. Space plays and
// pauses while the pane has the keyboard (a click on it gives it).
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

Item {
    id: pane
    objectName: "meetingDetail"

    required property MeetingsWindowModel meetings
    readonly property MeetingDetail detail: meetings.detail
    readonly property real columnWidth: Math.max(0, Math.min(660, width - 144))
    readonly property real columnX: Math.max(72, (width - columnWidth) / 2)

    clip: true
    activeFocusOnTab: true
    Keys.onSpacePressed: (event) => {
        const player = pane.detail.player
        event.accepted = player.state === Player.Ready || player.state === Player.Playing
        if (event.accepted) player.toggle()
    }
    TapHandler {
        onTapped: pane.forceActiveFocus()
    }

    Loader {
        id: body
        anchors.fill: parent
        sourceComponent: pane.detail.pane === MeetingDetail.Notes ? withFile : withPlaceholder
    }

    // These components live only inside this file, where its ids are in scope; Qt 6.4's
    // lint can't see that, and the pragma that would tell it breaks Loader in 6.4.
    // qmllint disable unqualified
    Component {
        id: withFile
        Item {
            MeetingFileView {
                id: file
                x: pane.columnX
                width: pane.columnWidth
                height: parent.height
                markdown: pane.detail.fileText
                title: pane.detail.title
                opacity: 0
                Component.onCompleted: opacity = 1
                Behavior on opacity { NumberAnimation { duration: Theme.appearDuration } }
                player: pane.detail.player
                foundRow: pane.meetings.foundMeeting === pane.detail.meetingId
                          ? pane.meetings.foundBlock : -2
                header: Item {
                    width: file.width
                    height: 32 + meetingHeader.height + (fileBar.visible ? fileBar.height + 24 : 0)
                    MeetingHeader {
                        id: meetingHeader
                        y: 32
                        width: file.width
                        meetings: pane.meetings
                    }
                    PlayerBar {
                        id: fileBar
                        y: 32 + meetingHeader.height
                        width: file.width
                        player: pane.detail.player
                    }
                }
                footer: Item { width: 1; height: 64 }
            }
            // The wheel scrolls the notes from anywhere in the pane, margins included.
            WheelHandler {
                target: null
                onWheel: (event) => {
                    const bottom = file.originY + Math.max(0, file.contentHeight - file.height)
                    file.contentY = Math.max(file.originY,
                                             Math.min(bottom, file.contentY - event.angleDelta.y))
                    file.userScrolled()
                }
            }
        }
    }

    Component {
        id: withPlaceholder
        Flickable {
            id: scroller
            contentWidth: width
            contentHeight: column.y + column.height + 64
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar {}
            Column {
                id: column
                x: pane.columnX
                y: 32
                width: pane.columnWidth
                spacing: 0
                MeetingHeader {
                    width: column.width
                    meetings: pane.meetings
                }
                PlayerBar {
                    width: column.width
                    player: pane.detail.player
                }
                Item { width: 1; height: 24; visible: pane.detail.player.shown }
                MeetingPlaceholder {
                    meetings: pane.meetings
                    // qmllint enable unqualified
                }
            }
        }
    }

    DetailToolbar {
        width: pane.width
        meetings: pane.meetings
    }
}
