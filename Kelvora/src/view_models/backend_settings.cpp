#include "view_models/backend_settings.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <QUrl>
#include <QVariantMap>

#include <filesystem>
#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

#include "kelv/core/assembly/backend_assembly.h"
#include "kelv/core/backends/on_device/on_device_model.h"
#include "kelv/core/backends/preset.h"
#include "kelv/core/util/byte_count.h"
#include "shell/qt_text.h"

namespace kelv::app {

namespace {

const QString kLocalExample = "http://localhost:8000/v1";

std::optional<std::string> orAbsent(const QString& value) {
  return value.isEmpty() ? std::nullopt : std::optional(value.toStdString());
}

}  // namespace

// What differs between the two roles: where the configuration lives in the record, its presets,
// its off and custom types, and how its backend is tested.
struct BackendSettings::Kind {
  // A preset as the section shows it.
  struct PresetRow {
    QString name;
    QString address;
    std::optional<QString> model;
    bool needsKey = false;
  };

  virtual ~Kind() = default;
  virtual QString offName() const = 0;
  virtual const std::vector<PresetRow>& presets() const = 0;
  virtual QString choice(const core::Settings& settings) const = 0;
  virtual void choose(core::Settings& settings, const QString& choice) const = 0;
  virtual QString address(const core::Settings& settings) const = 0;
  virtual void setAddress(core::Settings& settings, std::optional<std::string> address) const = 0;
  virtual QString model(const core::Settings& settings) const = 0;
  virtual void setModel(core::Settings& settings, std::optional<std::string> model) const = 0;
  virtual bool differs(const core::Settings& a, const core::Settings& b) const = 0;
  virtual std::string account(const core::Settings& settings) const = 0;
  // Throws std::invalid_argument with the reason a key can't be used, storing nothing.
  virtual void storeKey(const core::SettingsStore& store, const core::Settings& settings,
                        const std::optional<std::string>& key) const = 0;
  // Builds the backend here (so the keyring is only read on this thread) and gives the test's
  // exchange with the service, to run on a worker thread.
  virtual std::function<void()> tester(const core::BackendAssembly& assembly,
                                       const core::Settings& settings) const = 0;

  const PresetRow* matching(const QString& choice) const {
    for (const PresetRow& preset : presets())
      if (preset.name == choice) return &preset;
    return nullptr;
  }
};

namespace {

template <typename Type>
class KindOf : public BackendSettings::Kind {
 public:
  using Config = core::BackendConfig<Type>;
  using PresetRow = BackendSettings::Kind::PresetRow;

  KindOf(Config core::Settings::*config, Type off, Type custom, QString offName)
      : config_(config), off_(off), custom_(custom), offName_(std::move(offName)) {
    for (const auto& preset : core::Preset<Type>::all())
      presets_.push_back({text(preset.name), text(preset.address),
                          preset.model ? std::optional(text(*preset.model)) : std::nullopt,
                          preset.needsKey});
  }

  QString offName() const override { return offName_; }
  const std::vector<PresetRow>& presets() const override { return presets_; }

  QString choice(const core::Settings& settings) const override {
    const Config& config = settings.*config_;
    if (config.preset) return text(*config.preset);
    return config.type == off_ ? QString() : QStringLiteral("custom");
  }

  void choose(core::Settings& settings, const QString& choice) const override {
    for (const auto& preset : core::Preset<Type>::all())
      if (text(preset.name) == choice) {
        settings.*config_ = Config{preset.type, std::nullopt, std::nullopt, preset.name};
        return;
      }
    settings.*config_ = Config{choice == "custom" ? custom_ : off_};
  }

  QString address(const core::Settings& settings) const override {
    return text((settings.*config_).address);
  }
  void setAddress(core::Settings& settings, std::optional<std::string> address) const override {
    (settings.*config_).address = std::move(address);
  }
  QString model(const core::Settings& settings) const override {
    return text((settings.*config_).model);
  }
  void setModel(core::Settings& settings, std::optional<std::string> model) const override {
    (settings.*config_).model = std::move(model);
  }

  bool differs(const core::Settings& a, const core::Settings& b) const override {
    return a.*config_ != b.*config_;
  }

  std::string account(const core::Settings& settings) const override {
    return core::SettingsStore::keyAccount(settings.*config_);
  }

  void storeKey(const core::SettingsStore& store, const core::Settings& settings,
                const std::optional<std::string>& key) const override {
    store.setAPIKey(key, settings.*config_);
  }

  std::function<void()> tester(const core::BackendAssembly& assembly,
                               const core::Settings& settings) const override {
    if constexpr (std::is_same_v<Type, core::NotesBackendType>) {
      // No backend for the off type: nothing to test.
      auto backend = assembly.notesBackend(settings.*config_);
      return [backend] {
        if (backend) backend->test();
      };
    } else {
      auto backend = assembly.transcriptionBackend(settings.*config_);
      return [backend, language = settings.meetingLanguage()] { backend->test(language); };
    }
  }

 private:
  Config core::Settings::*config_;
  Type off_;
  Type custom_;
  QString offName_;
  std::vector<PresetRow> presets_;
};

std::unique_ptr<const BackendSettings::Kind> kindOf(BackendSettings::Role role) {
  if (role == BackendSettings::Role::notes)
    return std::make_unique<KindOf<core::NotesBackendType>>(
        &core::Settings::notes, core::NotesBackendType::none,
        core::NotesBackendType::openAICompatible, QStringLiteral("None"));
  return std::make_unique<KindOf<core::TranscriptionBackendType>>(
      &core::Settings::transcription, core::TranscriptionBackendType::onDevice,
      core::TranscriptionBackendType::openAIStyle, QStringLiteral("On-device"));
}

}  // namespace

BackendSettings::BackendSettings(SettingsRecord& record, Role role, core::BackendMakers makers,
                                 QObject* parent)
    : QObject(parent),
      record_(record),
      role_(role),
      makers_(std::move(makers)),
      kind_(kindOf(role)),
      self_(std::make_shared<BackendSettings*>(this)) {
  connect(&record_, &SettingsRecord::saved, this, &BackendSettings::follow);
}

BackendSettings::~BackendSettings() { *self_ = nullptr; }

void BackendSettings::follow(const core::Settings& previous) {
  if (!kind_->differs(previous, record_.settings())) return;
  addressProblem_.clear();
  testState_ = TestState::Untested;
  testLine_.clear();
  emit changed();
}

QString BackendSettings::choice() const { return kind_->choice(record_.settings()); }

using PresetRow = BackendSettings::Kind::PresetRow;

QVariantList BackendSettings::options() const {
  QVariantList options{QVariantMap{{"name", kind_->offName()}, {"value", QString()}}};
  for (const PresetRow& preset : kind_->presets())
    options.append(QVariantMap{{"name", preset.name}, {"value", preset.name}});
  options.append(QVariantMap{{"name", QStringLiteral("Custom server")}, {"value", "custom"}});
  return options;
}

QString BackendSettings::address() const { return kind_->address(record_.settings()); }

QString BackendSettings::addressPlaceholder() const {
  const PresetRow* preset = kind_->matching(choice());
  return preset ? preset->address : kLocalExample;
}

QString BackendSettings::model() const { return kind_->model(record_.settings()); }

QString BackendSettings::modelPlaceholder() const {
  const PresetRow* preset = kind_->matching(choice());
  return preset && preset->model ? *preset->model : QStringLiteral("Server default");
}

bool BackendSettings::onDevice() const {
  return role_ == Role::transcription && choice().isEmpty();
}

QVariantList BackendSettings::onDeviceModels() const {
  QVariantList rows;
  for (const core::OnDeviceModel& speech : core::OnDeviceModel::all())
    rows.append(
        QVariantMap{{"name", QStringLiteral("%1 · %2 · %3")
                                 .arg(text(speech.name), text(core::formatByteCount(speech.bytes)),
                                      core::OnDeviceModel::speedName(speech.speed))},
                    {"value", text(speech.name)}});
  return rows;
}

QString BackendSettings::onDeviceModel() const {
  const QString named = model();
  return named.isEmpty() ? QString::fromLatin1(core::OnDeviceModel::defaultName) : named;
}

QString BackendSettings::onDeviceModelLine() const {
  const core::OnDeviceModel* speech = core::OnDeviceModel::named(onDeviceModel().toStdString());
  if (!speech)
    return QStringLiteral("“%1” is not a model this version knows. Choose one of the list.")
        .arg(onDeviceModel());
  std::error_code error;
  if (std::filesystem::is_regular_file(speech->path(), error))
    return QStringLiteral("On this computer.");
  return QStringLiteral("Downloads (%1) with the next class it transcribes.")
      .arg(text(core::formatByteCount(speech->bytes)));
}

bool BackendSettings::keyNeeded() const {
  const QString chosen = choice();
  if (chosen.isEmpty()) return false;
  const PresetRow* preset = kind_->matching(chosen);
  return !preset || preset->needsKey;
}

QString BackendSettings::key() const {
  const std::string name = kind_->account(record_.settings());
  auto found = keys_.find(name);
  if (found == keys_.end())
    found = keys_.emplace(name, text(record_.store().secrets().secret(name))).first;
  return found->second;
}

void BackendSettings::setChoice(const QString& choice) {
  keyProblem_.clear();
  record_.update([&](core::Settings& settings) { kind_->choose(settings, choice); });
  emit changed();
}

void BackendSettings::setAddress(const QString& address) {
  const QString trimmed = address.trimmed();
  if (!trimmed.isEmpty()) {
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https") ||
        url.host().isEmpty()) {
      addressProblem_ =
          "The address must be a web address starting with http:// or https:// "
          "(for example " +
          kLocalExample + ").";
      emit changed();
      return;
    }
  }
  const bool hadProblem = !addressProblem_.isEmpty();
  addressProblem_.clear();
  record_.update([&](core::Settings& settings) { kind_->setAddress(settings, orAbsent(trimmed)); });
  if (hadProblem) emit changed();
}

void BackendSettings::setModel(const QString& model) {
  record_.update([&](core::Settings& settings) { kind_->setModel(settings, orAbsent(model)); });
}

void BackendSettings::setApiKey(const QString& key) {
  const core::SecretStore& secrets = record_.store().secrets();
  const std::string name = kind_->account(record_.settings());
  try {
    kind_->storeKey(record_.store(), record_.settings(), orAbsent(key));
  } catch (const std::invalid_argument& refusal) {
    keyProblem_ = QString::fromUtf8(refusal.what());
    emit changed();
    return;
  }
  keyProblem_.clear();
  // The secret store never fails loudly: a locked or missing keyring just keeps nothing.
  const QString stored = text(secrets.secret(name));
  keys_[name] = stored;
  if (stored != key)
    keyProblem_ =
        "The keyring is locked or missing, so API keys can't be stored. "
        "Unlock or set up the desktop's keyring and enter the key again.";
  emit changed();
}

void BackendSettings::setTest(TestState state, const QString& line) {
  if (testState_ == state && testLine_ == line) return;
  testState_ = state;
  testLine_ = line;
  emit changed();
}

void BackendSettings::test() {
  setTest(TestState::Testing, QStringLiteral("Testing…"));
  std::function<void()> exchange;
  try {
    exchange = kind_->tester(core::BackendAssembly(record_.store(), makers_), record_.settings());
  } catch (const std::exception& error) {
    setTest(TestState::Failed, QString::fromUtf8(error.what()));
    return;
  }
  QThreadPool::globalInstance()->start([self = self_, exchange = std::move(exchange)] {
    TestState state = TestState::Works;
    QString line = QStringLiteral("Works.");
    try {
      exchange();
    } catch (const std::exception& error) {
      state = TestState::Failed;
      line = QString::fromUtf8(error.what());
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self, state, line] {
          if (*self == nullptr) return;
          (*self)->setTest(state, line);
          emit(*self)->finished();
        },
        Qt::QueuedConnection);
  });
}

}  // namespace kelv::app
