// The notes and transcription backends.
import QtQuick
import Kelvora

SettingsPage {
    id: tab

    required property QtObject model

    BackendSection {
        objectName: "settings.notesBackend"
        model: tab.model
        role: "notes"
        title: "Notes backend"
        offName: "None"
        footer: "None: the Meeting file has the Transcript only. A cloud Preset sends the Transcript to its server."
    }
    BackendSection {
        objectName: "settings.transcriptionBackend"
        model: tab.model
        role: "transcription"
        title: "Transcription backend"
        offName: "On-device"
        footer: "On-device: audio never leaves this computer. A cloud Preset uploads the audio to its server."
    }
}
