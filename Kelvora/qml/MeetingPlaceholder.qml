// What a meeting's pane shows while it has no readable Meeting file, by state: the running
// clock of a recording, the progress of processing, or why the notes are missing.
import QtQuick
import Kelvora

Column {
    id: placeholder
    objectName: "meetingPlaceholder"

    required property MeetingsWindowModel meetings
    readonly property MeetingDetail detail: meetings.detail
    readonly property int shows: detail.pane

    width: Math.min(360, implicitWidth)
    spacing: 12

    Rectangle {
        objectName: "recordingDot"
        visible: placeholder.shows === MeetingDetail.Recording
        width: 10
        height: 10
        radius: 5
        color: Theme.recording
    }
    Text {
        objectName: "recordingClock"
        visible: placeholder.shows === MeetingDetail.Recording
        text: placeholder.detail.clock
        font: Theme.clock
        color: Theme.ink
        Accessible.name: "Tiempo de grabación " + text
    }
    ProcessingBar {
        objectName: "placeholderProgress"
        visible: placeholder.shows === MeetingDetail.Processing
        width: 160
        running: visible
    }
    Text {
        objectName: "placeholderTitle"
        visible: text !== ""
        text: placeholder.detail.placeholderTitle
        font: Theme.display
        color: Theme.ink
    }
    Text {
        objectName: "placeholderText"
        width: 360
        wrapMode: Text.Wrap
        text: placeholder.detail.placeholderText
        font: Theme.ui
        color: placeholder.detail.placeholderActive ? Theme.ink2 : Theme.ink3
    }
    PillButton {
        objectName: "stopRecording"
        visible: placeholder.detail.canStop
        text: "Detener grabación"
        tint: Theme.recording
        onClicked: placeholder.meetings.stopRecording()
    }
}
