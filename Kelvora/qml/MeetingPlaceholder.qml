// What a meeting's pane shows while it has no readable Meeting file, by state: the running
// clock of a recording, the progress of processing, or why the notes are missing.
import QtQuick
import Kelvora

Column {
    id: placeholder
    objectName: "meetingPlaceholder"

    required property MeetingsWindowModel meetings
    readonly property MeetingDetail detail: meetings.detail
    readonly property string kind: detail.placeholder

    width: Math.min(360, implicitWidth)
    spacing: 12

    Rectangle {
        objectName: "recordingDot"
        visible: placeholder.kind === "recording"
        width: 10
        height: 10
        radius: 5
        color: Theme.recording
    }
    Text {
        objectName: "recordingClock"
        visible: placeholder.kind === "recording"
        text: placeholder.detail.clock
        font: Theme.clock
        color: Theme.ink
        Accessible.name: "Tiempo de grabación " + text
    }
    ProcessingBar {
        objectName: "placeholderProgress"
        visible: placeholder.kind === "processing"
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
        color: placeholder.kind === "recording" || placeholder.kind === "processing" ? Theme.ink2
                                                                                      : Theme.ink3
    }
    PillButton {
        objectName: "stopRecording"
        visible: placeholder.kind === "recording" && placeholder.detail.recording
        text: "Detener grabación"
        tint: Theme.recording
        onClicked: placeholder.meetings.stopRecording()
    }
}
