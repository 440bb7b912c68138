// The notes and transcript of one Meeting file, read-only: a lazily built column of blocks
// (only those on screen exist), each drawn by the rule of its kind; every text can be selected
// and copied. With a player, a turn's time plays from there, and while it plays the turn being
// heard is marked and kept in view, unless the user scrolled a moment ago.
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
    property Player player: null
    // The row a search hit chose: scrolled to when the blocks are in, and marked.
    property int foundRow: -1
    readonly property int heardRow: view.player !== null
                                    && (view.player.playing || view.player.position > 0)
                                    ? fileBlocks.turnAt(view.player.position) : -1
    // When the user last moved the text (ms since the epoch); following waits a while after it.
    property real scrolledAt: 0

    function userScrolled() {
        view.scrolledAt = Date.now()
    }
    function follow() {
        if (view.heardRow < 0 || view.player === null || !view.player.playing) return
        if (Date.now() - view.scrolledAt < view.player.followPause) return
        view.positionViewAtIndex(view.heardRow, ListView.Contain)
    }
    onHeardRowChanged: view.follow()
    function showFound() {
        if (view.foundRow >= 0 && view.foundRow < view.count)
            view.positionViewAtIndex(view.foundRow, ListView.Center)
        else if (view.foundRow === -1 && view.count > 0)
            view.positionViewAtBeginning()
    }
    // Once the rows just set are laid out.
    Timer {
        id: foundLater
        interval: 0
        onTriggered: view.showFound()
    }
    onFoundRowChanged: foundLater.restart()
    onCountChanged: foundLater.restart()
    onMovementStarted: view.userScrolled()

    model: MeetingFileModel { id: fileBlocks }
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    reuseItems: true
    Accessible.role: Accessible.List
    ScrollBar.vertical: ScrollBar {
        onPressedChanged: if (pressed) view.userScrolled()
    }

    delegate: MeetingBlock {
        id: block
        width: ListView.view.width
        // The delegate lives inside this file, where its ids are in scope; Qt 6.4's lint
        // can't see that.
        // qmllint disable unqualified
        heard: block.index === view.heardRow
        found: block.index === view.foundRow
        onTimePressed: if (view.player !== null) view.player.playFrom(block.seconds)
        // qmllint enable unqualified
    }
}
