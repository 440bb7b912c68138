#include "controllers/processing_child.h"

#include <QProcessEnvironment>

#include <nlohmann/json.hpp>

#include "kelv/core/util/background_priority.h"

namespace kelv::app {

QProcess* makeKelvChild(const std::filesystem::path& kelv, const QStringList& arguments,
                        bool secretsOnInput, QObject* parent, bool keepOutput) {
  auto* child = new QProcess(parent);
  child->setProgram(QString::fromStdString(kelv.string()));
  child->setArguments(arguments);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("KELV_APP_CHILD", "1");
  child->setProcessEnvironment(environment);
  if (!secretsOnInput) child->setStandardInputFile(QProcess::nullDevice());
  if (!keepOutput) {
    child->setStandardOutputFile(QProcess::nullDevice());
    child->setStandardErrorFile(QProcess::nullDevice());
  }
  // Runs in the child between fork and exec: two system calls, nothing that allocates.
  child->setChildProcessModifier([] { core::enterBackgroundPriority(); });
  return child;
}

QByteArray passedSecrets(const core::SettingsStore& settings) {
  try {
    const core::Settings current = settings.load();
    nlohmann::json document = nlohmann::json::object();
    const std::string transcription = core::SettingsStore::keyAccount(current.transcription);
    const std::string notes = core::SettingsStore::keyAccount(current.notes);
    for (const std::string& account : {transcription, notes})
      if (const auto key = settings.secrets().secret(account)) document[account] = *key;
    return QByteArray::fromStdString(document.dump());
  } catch (...) {
    return "{}";
  }
}

}  // namespace kelv::app
