// The processing tool's process as the application starts it: `kelv` beside the application,
// the application's environment plus KELV_APP_CHILD=1, the lowest scheduling priority, output
// discarded. The secrets document carries the API keys the current settings need, so the
// child never has to reach the keychain itself.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <filesystem>

#include "kelv/core/settings/settings_store.h"

namespace kelv::app {

// A child not yet started. With `secretsOnInput` its standard input is a pipe for the secrets
// document; otherwise the null device. With `keepOutput` its standard output and error are
// pipes the parent reads (its result and its error message) instead of being discarded.
QProcess* makeKelvChild(const std::filesystem::path& kelv, const QStringList& arguments,
                        bool secretsOnInput, QObject* parent, bool keepOutput = false);

// {"<key account>": "<API key>", ...} for the current transcription and notes configurations;
// accounts without a stored key are left out. Compact JSON.
QByteArray passedSecrets(const core::SettingsStore& settings);

}  // namespace kelv::app
