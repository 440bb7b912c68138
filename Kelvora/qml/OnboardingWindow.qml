// The first-start window, "onboarding": it takes the size of its content.
import QtQuick
import QtQuick.Window
import Kelvora

Window {
    id: window

    // The application model, the settings being edited and the permissions, given by the shell.
    property AppModel appModel
    property SettingsModel settings
    property PermissionsModel permissions

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
        permissions: window.permissions
        onFinished: window.close()
    }

    onVisibleChanged: if (visible && !content.appeared) content.appear()
}
