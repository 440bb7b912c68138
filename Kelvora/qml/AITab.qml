// The notes and transcription backends.
import QtQuick
import Kelvora

SettingsPage {
    id: tab

    required property BackendSettings notes
    required property BackendSettings transcription

    BackendSection {
        objectName: "settings.notesBackend"
        backend: tab.notes
        title: "Notes backend"
        footer: "None: the Meeting file has the Transcript only. A cloud Preset sends the Transcript to its server."
    }
    BackendSection {
        objectName: "settings.transcriptionBackend"
        backend: tab.transcription
        title: "Transcription backend"
        footer: "On-device: audio never leaves this computer. A cloud Preset uploads the audio to its server."
    }
}
