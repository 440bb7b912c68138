// The indeterminate progress bar of a meeting being processed: a 3-high `raised` track with an
// `accent` block that sweeps from just off the left edge to just off the right every 1.6 s.
// It stands still while not running; under reduced motion a running bar is filled instead.
import QtQuick
import Kelvora

Item {
    id: bar

    property bool running: false
    // 0…1 through one sweep.
    property real phase: 0
    readonly property bool sweeping: running && !Theme.reduceMotion

    implicitHeight: 3
    clip: true
    Accessible.ignored: true

    Rectangle {
        anchors.fill: parent
        color: Theme.raised
    }
    Rectangle {
        objectName: "processingBlock"
        height: bar.height
        color: Theme.accent
        opacity: bar.running ? 1 : 0.35
        width: !bar.running ? 0 : Theme.reduceMotion ? bar.width : 0.35 * bar.width
        x: bar.sweeping ? bar.phase * 1.35 * bar.width - 0.35 * bar.width : 0
    }

    // Redrawn at most 30 times a second, from the clock, so a late frame never slows the sweep.
    Timer {
        objectName: "processingSweep"
        interval: Theme.sweepFrameInterval
        repeat: true
        triggeredOnStart: true
        running: bar.sweeping
        onTriggered: bar.phase = (Date.now() % Theme.sweepPeriod) / Theme.sweepPeriod
    }
}
