// A section of the tray pop-over that enters and leaves with a fade and a 4-point shift on
// both axes (a fade only under reduced motion). Its height follows whether it is shown, so the
// sections below move up or down with it.
import QtQuick
import Kelvora

Item {
    id: section

    property bool shown: true
    default property alias content: holder.data
    // The padding around the content.
    property real padTop: 0
    property real padSides: 16
    property real padBottom: 16

    width: parent ? parent.width : 0
    implicitHeight: shown ? holder.implicitHeight + padTop + padBottom : 0
    height: implicitHeight
    visible: opacity > 0
    opacity: shown ? 1 : 0
    clip: !shown

    Behavior on opacity {
        NumberAnimation { duration: Theme.layoutDuration; easing.type: Theme.layoutEasing }
    }
    Behavior on height {
        NumberAnimation { duration: Theme.layoutDuration; easing.type: Theme.layoutEasing }
    }

    Item {
        id: holder
        x: section.padSides + (section.shown || Theme.reduceMotion ? 0 : 4)
        y: section.padTop + (section.shown || Theme.reduceMotion ? 0 : 4)
        width: section.width - 2 * section.padSides
        implicitHeight: childrenRect.height

        Behavior on x {
            enabled: !Theme.reduceMotion
            NumberAnimation { duration: Theme.layoutDuration; easing.type: Theme.layoutEasing }
        }
        Behavior on y {
            enabled: !Theme.reduceMotion
            NumberAnimation { duration: Theme.layoutDuration; easing.type: Theme.layoutEasing }
        }
    }
}
