#include "view_models/onboarding_steps.h"

namespace kelv::app {

namespace {

constexpr int kStepCount = 3;

}  // namespace

OnboardingSteps::Row OnboardingSteps::row(Step step, PermissionsModel::Mic mic,
                                          const std::optional<QString>& systemAudio,
                                          const QString& folder) {
  switch (step) {
    case Step::Mic:
      return {"onboarding.mic",
              "Micrófono",
              mic == PermissionsModel::Mic::Denied
                  ? "Permite el acceso de Tizara al micrófono en los ajustes de privacidad del "
                    "sistema."
                  : "Graba al aula desde el micrófono.",
              mic == PermissionsModel::Mic::Authorized,
              "Permitir",
              false};
    case Step::SystemAudio:
      return {"onboarding.systemAudio",
              "Audio del sistema",
              systemAudio && !systemAudio->isEmpty()
                  ? *systemAudio
                  : "Graba clases online (Zoom, Teams, Meet) desde el audio del sistema.",
              systemAudio && systemAudio->isEmpty(),
              systemAudio ? "Reintentar" : "Permitir",
              false};
    case Step::Folder:
      return {"onboarding.folder", "Carpeta de apuntes", folder, false, "Elegir…", true};
  }
  return {};
}

OnboardingSteps::OnboardingSteps(QObject* parent) : QAbstractListModel(parent) {}

int OnboardingSteps::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kStepCount;
}

OnboardingSteps::Row OnboardingSteps::row(int index) const {
  const auto mic = permissions_ ? permissions_->mic() : PermissionsModel::Mic::NotDetermined;
  const auto systemAudio = permissions_ ? permissions_->systemAudio() : std::nullopt;
  return row(static_cast<Step>(index), mic, systemAudio, folder_);
}

QVariant OnboardingSteps::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.parent().isValid() || index.row() >= kStepCount) return {};
  const Row step = row(index.row());
  switch (role) {
    case identifierRole:
      return step.identifier;
    case numberRole:
      return index.row() + 1;
    case Qt::DisplayRole:
    case titleRole:
      return step.title;
    case detailRole:
      return step.detail;
    case doneRole:
      return step.done;
    case buttonRole:
      return step.button;
    case pathDetailRole:
      return step.pathDetail;
  }
  return {};
}

QHash<int, QByteArray> OnboardingSteps::roleNames() const {
  return {{identifierRole, "identifier"}, {numberRole, "number"}, {titleRole, "title"},
          {detailRole, "detail"},         {doneRole, "done"},     {buttonRole, "button"},
          {pathDetailRole, "pathDetail"}};
}

void OnboardingSteps::refresh(Step step) {
  const QModelIndex changed = index(static_cast<int>(step));
  emit dataChanged(changed, changed);
}

void OnboardingSteps::setPermissions(PermissionsModel* permissions) {
  if (permissions_ == permissions) return;
  if (permissions_) permissions_->disconnect(this);
  permissions_ = permissions;
  if (permissions_) {
    connect(permissions_, &PermissionsModel::micChanged, this, [this] { refresh(Step::Mic); });
    connect(permissions_, &PermissionsModel::systemAudioChanged, this,
            [this] { refresh(Step::SystemAudio); });
  }
  refresh(Step::Mic);
  refresh(Step::SystemAudio);
  emit permissionsChanged();
}

void OnboardingSteps::setApp(AppModel* app) {
  if (app_ == app) return;
  if (app_) app_->disconnect(this);
  app_ = app;
  if (app_) connect(app_, &AppModel::modelDownloadChanged, this, &OnboardingSteps::downloadChanged);
  emit appChanged();
  emit downloadChanged();
}

void OnboardingSteps::setFolder(const QString& folder) {
  if (folder_ == folder) return;
  folder_ = folder;
  refresh(Step::Folder);
  emit folderChanged();
}

BackgroundProcessing::ModelDownload OnboardingSteps::download() const {
  return app_ ? app_->modelDownloadState() : BackgroundProcessing::ModelDownload::None;
}

QString OnboardingSteps::downloadText() const {
  return app_ ? app_->modelDownload().value_or(QString()) : QString();
}

void OnboardingSteps::activate(int row) {
  switch (static_cast<Step>(row)) {
    case Step::Mic:
      if (permissions_) permissions_->requestMic();
      return;
    case Step::SystemAudio:
      if (permissions_) permissions_->requestSystemAudio();
      return;
    case Step::Folder:
      emit folderChoiceRequested();
      return;
  }
}

}  // namespace kelv::app
