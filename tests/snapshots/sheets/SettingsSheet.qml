// One settings tab for review, with a cloud preset or a custom server and a test result.
import QtQuick
import Kelvora

SettingsView {
    id: sheet

    property int tab: 0
    property string variant: "cloud"

    width: 540
    height: 480
    currentTab: tab
    model: SettingsSample { variant: sheet.variant }
}
