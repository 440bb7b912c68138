// A Meeting file as the meetings window shows it: the title above the view, on the canvas.
import QtQuick
import Kelvora

Rectangle {
    id: sheet

    property string path
    property string title

    width: 760
    height: 2800
    color: Theme.canvas

    Text {
        id: heading
        x: 32
        y: 28
        width: sheet.width - 64
        text: sheet.title
        wrapMode: Text.Wrap
        font: Theme.display
        color: Theme.ink
    }
    MeetingFileView {
        x: 32
        y: heading.y + heading.height + 20
        width: sheet.width - 64
        height: sheet.height - y - 24
        path: sheet.path
        title: sheet.title
    }
}
