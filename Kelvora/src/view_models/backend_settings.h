// One backend of the AI tab, notes or transcription: the picker's choice and options, the
// address and model with the chosen preset's values as placeholders, the API key with the
// reasons a key can't be stored, and the connection test with its state and line.
//
// Writes go through the record's save rule; any change of this backend's configuration, from
// here or elsewhere, clears its address problem and its test line, so an old result never
// stands next to a new configuration. The test's exchange with the service runs on a worker
// thread and is published on the main thread (`finished`); everything else runs on the main
// thread. A later test's result replaces an earlier one's.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQmlIntegration>

#include <map>
#include <memory>
#include <string>

#include "kelv/core/assembly/backend_makers.h"
#include "view_models/settings_record.h"

namespace kelv::app {

class BackendSettings : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Part of the settings model.")
  Q_PROPERTY(QString choice READ choice NOTIFY changed)
  Q_PROPERTY(QVariantList options READ options CONSTANT)
  Q_PROPERTY(bool configured READ isConfigured NOTIFY changed)
  Q_PROPERTY(QString address READ address NOTIFY changed)
  Q_PROPERTY(QString addressPlaceholder READ addressPlaceholder NOTIFY changed)
  Q_PROPERTY(QString addressProblem READ addressProblem NOTIFY changed)
  Q_PROPERTY(QString model READ model NOTIFY changed)
  Q_PROPERTY(QString modelPlaceholder READ modelPlaceholder NOTIFY changed)
  Q_PROPERTY(bool onDevice READ onDevice NOTIFY changed)
  Q_PROPERTY(QVariantList onDeviceModels READ onDeviceModels NOTIFY changed)
  Q_PROPERTY(QString onDeviceModel READ onDeviceModel NOTIFY changed)
  Q_PROPERTY(QString onDeviceModelLine READ onDeviceModelLine NOTIFY changed)
  Q_PROPERTY(bool keyNeeded READ keyNeeded NOTIFY changed)
  Q_PROPERTY(QString key READ key NOTIFY changed)
  Q_PROPERTY(QString keyProblem READ keyProblem NOTIFY changed)
  Q_PROPERTY(TestState testState READ testState NOTIFY changed)
  Q_PROPERTY(QString testLine READ testLine NOTIFY changed)

 public:
  enum class Role { notes, transcription };
  // Capitalised, as QML names enum values.
  enum class TestState { Untested, Testing, Works, Failed };
  Q_ENUM(TestState)

  // `record` outlives this object; `makers` build the backends its test talks to.
  BackendSettings(SettingsRecord& record, Role role,
                  core::BackendMakers makers = core::BackendMakers::builtIn(),
                  QObject* parent = nullptr);
  ~BackendSettings() override;

  // A preset's name, "custom", or the empty text for the choice that uses no server ("None"
  // for notes, "On-device" for transcription). An off type that still names a preset reads as
  // that preset.
  QString choice() const;
  // The picker's {name, value} rows: the off choice (value ""), each preset in table order,
  // "Custom server" (value "custom").
  QVariantList options() const;
  // Whether a server is chosen, so its address, model and test apply.
  bool isConfigured() const { return !choice().isEmpty(); }

  QString address() const;
  // The chosen preset's address, or a local server's example address.
  QString addressPlaceholder() const;
  // Why the last typed address was refused, or the empty text.
  QString addressProblem() const { return addressProblem_; }
  QString model() const;
  // The chosen preset's model, or "Server default".
  QString modelPlaceholder() const;
  // Whether this computer transcribes, so the speech model picker applies instead of a server's
  // rows.
  bool onDevice() const;
  // The on-device picker's {name, value} rows, one per speech model, each named with its
  // download size and speed class: "small-q8_0 · 264.5 MB · moderate".
  QVariantList onDeviceModels() const;
  // The speech model the configuration names, or the default when it names none.
  QString onDeviceModel() const;
  // Whether that model is on this computer or still to download, or that its name is unknown.
  QString onDeviceModelLine() const;
  // A custom server, or a preset that needs a key.
  bool keyNeeded() const;
  // The key stored for the current configuration, or the empty text.
  QString key() const;
  // Why the last typed key wasn't stored, or the empty text.
  QString keyProblem() const { return keyProblem_; }
  TestState testState() const { return testState_; }
  // "Testing…", "Works." or the failure's text; the empty text while untested.
  QString testLine() const { return testLine_; }

  // A new choice replaces the whole configuration (no address, no model); an unknown text
  // chooses the off type.
  Q_INVOKABLE void setChoice(const QString& choice);
  // The empty text stores no address; anything but an http(s) address is refused.
  Q_INVOKABLE void setAddress(const QString& address);
  // The empty text stores no model.
  Q_INVOKABLE void setModel(const QString& model);
  // Stores the key of the current configuration; the empty text removes it.
  Q_INVOKABLE void setApiKey(const QString& key);
  Q_INVOKABLE void test();

  struct Kind;

 signals:
  void changed();
  // A test published its result (tests wait for it).
  void finished();

 private:
  void setTest(TestState state, const QString& line);
  void follow(const core::Settings& previous);

  SettingsRecord& record_;
  Role role_;
  core::BackendMakers makers_;
  std::unique_ptr<const Kind> kind_;
  QString addressProblem_;
  QString keyProblem_;
  TestState testState_ = TestState::Untested;
  QString testLine_;
  // Keys read from or written to the secret store, by account.
  mutable std::map<std::string, QString> keys_;
  // Cleared by the destructor; a running test holds it, never `this`.
  std::shared_ptr<BackendSettings*> self_;
};

}  // namespace kelv::app
