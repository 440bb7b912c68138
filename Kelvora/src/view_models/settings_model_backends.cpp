// The two backend choices, their keys and tests.
#include <QUuid>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "kelv/capture/tone_source.h"
#include "kelv/core/backends/preset.h"
#include "view_models/settings_model.h"

namespace kelv::app {

namespace {

constexpr qsizetype kMaxKeyBytes = 4096;
const QString kLocalExample = "http://localhost:8000/v1";

QString text(const std::string& value) { return QString::fromStdString(value); }
QString text(const std::optional<std::string>& value) { return text(value.value_or("")); }

// Runs `body` with the role's configuration, its preset table and its off and custom types.
template <typename Body>
decltype(auto) withRole(const QString& role, core::Settings& settings, Body&& body) {
  if (role == "notes")
    return body(settings.notes, core::NotesPreset::all(), core::NotesBackendType::none,
                core::NotesBackendType::openAICompatible);
  return body(settings.transcription, core::TranscriptionPreset::all(),
              core::TranscriptionBackendType::onDevice, core::TranscriptionBackendType::openAIStyle);
}

template <typename Type>
QString choiceOf(const core::BackendConfig<Type>& config, Type off) {
  if (config.preset) return text(*config.preset);
  return config.type == off ? QString() : QStringLiteral("custom");
}

// Why a typed key can't be stored, or the empty text.
QString keyRefusal(const QString& key) {
  if (key.toUtf8().size() > kMaxKeyBytes)
    return "This API key is longer than 4 KiB, so it can't be a real key. Paste the key alone.";
  for (const QChar c : key)
    if (c.category() == QChar::Other_Control)
      return "This API key contains a control character (such as a line break or a tab). "
             "Paste the key alone.";
  return {};
}

}  // namespace

std::string SettingsModel::account(const QString& role) const {
  core::Settings settings = settings_;
  return withRole(role, settings, [](const auto& config, auto&&...) {
    return core::SettingsStore::keyAccount(config);
  });
}

QString SettingsModel::storedKey(const QString& role) const {
  const std::string name = account(role);
  auto found = keys_.find(name);
  if (found == keys_.end())
    found = keys_.emplace(name, text(store_.secrets().secret(name))).first;
  return found->second;
}

QVariantMap SettingsModel::backend(const QString& role) const {
  core::Settings settings = settings_;
  QVariantMap map = withRole(role, settings, [](const auto& config, const auto& presets,
                                                auto off, auto) {
    QVariantList list;
    for (const auto& preset : presets)
      list.append(QVariantMap{{"name", text(preset.name)},
                              {"address", text(preset.address)},
                              {"model", text(preset.model)},
                              {"needsKey", preset.needsKey}});
    const QString choice = choiceOf(config, off);
    const auto* matching = choice.isEmpty() ? nullptr : [&]() -> decltype(&presets.front()) {
      for (const auto& preset : presets)
        if (text(preset.name) == choice) return &preset;
      return nullptr;
    }();
    return QVariantMap{
        {"choice", choice},
        {"address", text(config.address)},
        {"model", text(config.model)},
        {"presets", list},
        {"keyNeeded", !choice.isEmpty() && (!matching || matching->needsKey)},
        {"addressPlaceholder", matching ? text(matching->address) : kLocalExample},
        {"modelPlaceholder",
         matching && matching->model ? text(*matching->model) : QStringLiteral("Server default")}};
  });
  map["key"] = storedKey(role);
  const auto& test = tests_.at(role);
  map["test"] = test ? QVariant(*test) : QVariant();
  map["addressProblem"] = addressProblems_.contains(role) ? addressProblems_.at(role) : QString();
  map["keyProblem"] = keyProblems_.contains(role) ? keyProblems_.at(role) : QString();
  return map;
}

void SettingsModel::announce(const QString& role) {
  if (role == "notes")
    emit notesChanged();
  else
    emit transcriptionChanged();
}

void SettingsModel::setChoice(const QString& role, const QString& choice) {
  keyProblems_.erase(role);
  update([&](core::Settings& settings) {
    withRole(role, settings, [&](auto& config, const auto& presets, auto off, auto custom) {
      using Config = std::decay_t<decltype(config)>;
      for (const auto& preset : presets)
        if (text(preset.name) == choice) {
          config = Config{preset.type, std::nullopt, std::nullopt, preset.name};
          return;
        }
      config = Config{choice == "custom" ? custom : off};
    });
  });
  announce(role);
}

void SettingsModel::setAddress(const QString& role, const QString& address) {
  const QString trimmed = address.trimmed();
  if (!trimmed.isEmpty()) {
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https") ||
        url.host().isEmpty()) {
      addressProblems_[role] = "The address must be a web address starting with http:// or "
                               "https:// (for example " + kLocalExample + ").";
      announce(role);
      return;
    }
  }
  const bool hadProblem = addressProblems_.erase(role) > 0;
  update([&](core::Settings& settings) {
    withRole(role, settings, [&](auto& config, auto&&...) {
      config.address = trimmed.isEmpty() ? std::nullopt : std::optional(trimmed.toStdString());
    });
  });
  if (hadProblem) announce(role);
}

void SettingsModel::setModel(const QString& role, const QString& model) {
  update([&](core::Settings& settings) {
    withRole(role, settings, [&](auto& config, auto&&...) {
      config.model = model.isEmpty() ? std::nullopt : std::optional(model.toStdString());
    });
  });
}

void SettingsModel::setApiKey(const QString& role, const QString& key) {
  const QString refusal = keyRefusal(key);
  if (!refusal.isEmpty()) {
    keyProblems_[role] = refusal;
    announce(role);
    return;
  }
  keyProblems_.erase(role);
  const std::string name = account(role);
  keys_[name] = key;
  announce(role);
  store_.secrets().setSecret(key.isEmpty() ? std::nullopt : std::optional(key.toStdString()),
                             name);
  // The secret store never fails loudly: a locked or missing keyring just keeps nothing.
  const QString stored = text(store_.secrets().secret(name));
  if (stored != key) {
    keys_[name] = stored;
    keyProblems_[role] = "The keyring is locked or missing, so API keys can't be stored. "
                         "Unlock or set up the desktop's keyring and enter the key again.";
  }
  announce(role);
}

void SettingsModel::setTest(const QString& role, std::optional<QString> line) {
  if (tests_.at(role) == line) return;
  tests_[role] = std::move(line);
  announce(role);
}

void SettingsModel::test(const QString& role) {
  setTest(role, QStringLiteral("Testing…"));
  // The backends are made here, so the keyring is only ever read from this thread; the
  // exchange with the service runs in the background.
  std::shared_ptr<core::NotesBackend> notes;
  std::shared_ptr<core::TranscriptionBackend> transcription;
  try {
    if (role == "notes")
      notes = store_.notesBackend(settings_.notes);
    else
      transcription = store_.transcriptionBackend(settings_.transcription);
  } catch (const std::exception& error) {
    setTest(role, QString::fromUtf8(error.what()));
    return;
  }
  const core::Settings settings = settings_;
  inBackground([role, notes, transcription, settings]() -> std::function<void(SettingsModel&)> {
    QString line = QStringLiteral("Works.");
    try {
      if (role == "notes") {
        if (notes) notes->test();
      } else {
        const auto& backend = transcription;
        const std::filesystem::path file =
            std::filesystem::temp_directory_path() /
            ("kelv-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString() +
             ".pcm");
        try {
          const auto samples = capture::ToneSource::tone(440, 0, 16000);
          std::ofstream out(file, std::ios::binary);
          for (const int16_t sample : samples) {
            const char bytes[2] = {static_cast<char>(sample & 0xff),
                                   static_cast<char>((sample >> 8) & 0xff)};
            out.write(bytes, 2);
          }
          out.close();
          if (!out) throw std::runtime_error("The test audio could not be written.");
          backend->transcribe(file, settings.meetingLanguage());
        } catch (...) {
          std::error_code ignored;
          std::filesystem::remove(file, ignored);
          throw;
        }
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
      }
    } catch (const std::exception& error) {
      line = QString::fromUtf8(error.what());
    }
    return [role, line](SettingsModel& model) { model.setTest(role, line); };
  });
}

}  // namespace kelv::app
