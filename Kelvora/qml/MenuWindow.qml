// The window around the tray pop-over: frameless and closing on Escape or when another window
// takes the focus. Standalone (no tray to open it from), it is a small ordinary window that
// stays until closed.
import QtQuick
import QtQuick.Window
import Kelvora

Window {
    id: popover

    required property MenuModel menu
    property bool standalone: false

    title: "Tizara"
    flags: standalone ? Qt.Window : (Qt.Tool | Qt.FramelessWindowHint | Qt.WindowStaysOnTopHint)
    width: content.width
    height: content.implicitHeight
    minimumWidth: content.width
    maximumWidth: content.width
    minimumHeight: content.implicitHeight
    maximumHeight: content.implicitHeight
    color: Theme.sidebar

    onActiveChanged: {
        if (!active && !standalone && visible)
            close()
    }
    onVisibleChanged: if (visible) menu.refreshShortcut()

    Shortcut {
        sequence: "Escape"
        enabled: !popover.standalone
        onActivated: popover.close()
    }

    MenuView {
        id: content
        menu: popover.menu
        active: popover.active
        standalone: popover.standalone
        onDismissRequested: popover.close()
    }
}
