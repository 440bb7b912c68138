// One labelled level meter: the label in a 78-wide column, then the segmented bar, 8 high,
// across the rest. Read by assistive tools as one element.
import QtQuick
import QtQuick.Layouts
import Kelvora

RowLayout {
    id: meter

    property string label
    property string speaker
    property bool running: false
    property LevelSource source
    readonly property alias bar: bar

    spacing: 12
    Accessible.role: Accessible.Indicator
    Accessible.name: label + " level, " + speaker

    Text {
        objectName: "meterLabel"
        Layout.preferredWidth: 78
        Layout.alignment: Qt.AlignVCenter
        text: meter.label
        font: Theme.meta
        color: Theme.ink2
        elide: Text.ElideRight
        Accessible.ignored: true
    }
    MeterView {
        id: bar
        objectName: "meterBar"
        Layout.fillWidth: true
        Layout.preferredHeight: 8
        Layout.alignment: Qt.AlignVCenter
        source: meter.source
        running: meter.running
    }
}
