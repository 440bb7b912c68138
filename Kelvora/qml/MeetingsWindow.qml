// The meetings window, "main": the list of meetings beside the selected meeting's notes. The
// list is read again whenever the window is shown or becomes the active window.
import QtQuick
import QtQuick.Window
import Kelvora

Window {
    id: window

    // The application model, given by the shell.
    property AppModel appModel

    title: "Tizara"
    width: 1100
    height: 760
    // What the sidebar and a readable column of notes need, more with a larger text.
    minimumWidth: Math.round(680 * Theme.textScale)
    minimumHeight: Math.round(440 * Theme.textScale)
    color: Theme.canvas

    MeetingsWindowModel {
        id: meetings
        appModel: window.appModel
    }

    MeetingsView {
        objectName: "meetingsRoot"
        anchors.fill: parent
        meetings: meetings
        focus: true
    }

    onVisibleChanged: if (visible) meetings.windowShown()
    onActiveChanged: if (active) meetings.windowShown()
}
