// One settings tab for review, over the settings model the program gives it.
import QtQuick
import Kelvora

SettingsView {
    property int tab: 0

    width: 540
    height: 480
    currentTab: tab
}
