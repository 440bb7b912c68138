// The first-start window, "onboarding": it takes the size of its content.
import QtQuick
import QtQuick.Window
import Kelvora

Window {
    id: window

    // The application model and the settings being edited, given by the shell.
    property QtObject appModel
    property QtObject settings

    title: "Bienvenida a Tizara"
    width: content.implicitWidth
    height: content.implicitHeight
    color: Theme.canvas

    OnboardingView {
        id: content
        objectName: "onboardingRoot"
        anchors.fill: parent
        model: window.settings
        app: window.appModel
        onFinished: window.close()
    }

    onVisibleChanged: if (visible && !content.appeared) content.appear()
}
