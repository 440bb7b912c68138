// The notes and transcript of one Meeting file, read-only: a lazily built column of blocks
// (only those on screen exist), each drawn by the rule of its kind; every text can be selected
// and copied.
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

ListView {
    id: view
    objectName: "meetingFileView"

    property alias markdown: fileBlocks.markdown
    property alias path: fileBlocks.path
    property alias title: fileBlocks.title
    readonly property alias blocks: fileBlocks

    model: MeetingFileModel { id: fileBlocks }
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    reuseItems: true
    Accessible.role: Accessible.List
    ScrollBar.vertical: ScrollBar {}

    delegate: MeetingBlock {
        width: ListView.view.width
    }
}
