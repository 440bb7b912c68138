// The steps of onboarding, as the rows its view repeats: the microphone, system audio and the
// notes folder, each with its title, detail, whether it is done and its button, decided from
// the permissions and the notes folder. Also the on-device model download shown under them.
//
// Made by the onboarding view, which gives it the permissions, the application model and the
// notes folder. Main thread only.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QAbstractListModel>
#include <QPointer>
#include <QString>

#include <optional>

#include "controllers/app_model.h"
#include "controllers/background_processing.h"
#include "view_models/permissions_model.h"

namespace kelv::app {

class OnboardingSteps : public QAbstractListModel {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(kelv::app::PermissionsModel* permissions READ permissions WRITE setPermissions NOTIFY
                 permissionsChanged)
  Q_PROPERTY(kelv::app::AppModel* app READ app WRITE setApp NOTIFY appChanged)
  Q_PROPERTY(QString folder READ folder WRITE setFolder NOTIFY folderChanged)
  Q_PROPERTY(
      kelv::app::BackgroundProcessing::ModelDownload download READ download NOTIFY downloadChanged)
  // The download's line, or the empty text while there is none.
  Q_PROPERTY(QString downloadText READ downloadText NOTIFY downloadChanged)

 public:
  enum class Step { Mic, SystemAudio, Folder };
  Q_ENUM(Step)
  enum Role {
    identifierRole = Qt::UserRole + 1,
    numberRole,
    titleRole,
    detailRole,
    doneRole,
    buttonRole,
    pathDetailRole,
  };

  // What one step shows.
  struct Row {
    // The objectName of the step's view ("onboarding.mic").
    QString identifier;
    QString title;
    QString detail;
    bool done = false;
    // The button's text while the step is not done.
    QString button;
    // The detail is a path: one line, cut in the middle.
    bool pathDetail = false;
    bool operator==(const Row&) const = default;
  };
  // The rule of one step. `systemAudio` is absent until an attempt ends, then the empty text or
  // the failure's description.
  static Row row(Step step, PermissionsModel::Mic mic, const std::optional<QString>& systemAudio,
                 const QString& folder);

  explicit OnboardingSteps(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

  PermissionsModel* permissions() const { return permissions_; }
  void setPermissions(PermissionsModel* permissions);
  AppModel* app() const { return app_; }
  void setApp(AppModel* app);
  QString folder() const { return folder_; }
  void setFolder(const QString& folder);

  BackgroundProcessing::ModelDownload download() const;
  QString downloadText() const;

  // The step's button: asks for the permission, or for the folder chooser.
  Q_INVOKABLE void activate(int row);

 signals:
  void permissionsChanged();
  void appChanged();
  void folderChanged();
  void downloadChanged();
  // The folder step's button was pressed; the view opens its chooser.
  void folderChoiceRequested();

 private:
  Row row(int index) const;
  void refresh(Step step);

  QPointer<PermissionsModel> permissions_;
  QPointer<AppModel> app_;
  QString folder_;
};

}  // namespace kelv::app
