// The first-start window, "onboarding": it takes the size of its content.
import QtQuick
import QtQuick.Window
import Kelvora

Window {
    id: window

    // The application model, given by the shell.
    property QtObject appModel

    title: "Bienvenida a Tizara"
    width: content.implicitWidth
    height: content.implicitHeight
    color: Theme.canvas

    Item {
        id: content
        objectName: "onboardingRoot"
        implicitWidth: 520
        implicitHeight: 560
        anchors.fill: parent
    }
}
