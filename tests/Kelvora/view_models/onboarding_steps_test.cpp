// Onboarding's steps: each step's detail, state and button for every permission answer, the
// rows the view repeats, and what the steps' buttons ask for.
#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "view_models/onboarding_steps.h"

namespace kelv::app {
namespace {

using Mic = PermissionsModel::Mic;
using Step = OnboardingSteps::Step;

const QString kMicDetail = "Graba al aula desde el micrófono.";
const QString kMicDenied =
    "Permite el acceso de Tizara al micrófono en los ajustes de privacidad del sistema.";
const QString kSystemAudioDetail =
    "Graba clases online (Zoom, Teams, Meet) desde el audio del sistema.";

TEST(OnboardingStepRules, EachStepFollowsItsAnswer) {
  const struct {
    const char* name;
    Step step;
    Mic mic;
    std::optional<QString> systemAudio;
    QString folder;
    OnboardingSteps::Row row;
  } cases[] = {
      {"mic not asked",
       Step::Mic,
       Mic::NotDetermined,
       {},
       "",
       {"onboarding.mic", "Micrófono", kMicDetail, false, "Permitir", false}},
      {"no microphone",
       Step::Mic,
       Mic::Restricted,
       {},
       "",
       {"onboarding.mic", "Micrófono", kMicDetail, false, "Permitir", false}},
      {"mic denied still offers the button",
       Step::Mic,
       Mic::Denied,
       {},
       "",
       {"onboarding.mic", "Micrófono", kMicDenied, false, "Permitir", false}},
      {"mic allowed",
       Step::Mic,
       Mic::Authorized,
       {},
       "",
       {"onboarding.mic", "Micrófono", kMicDetail, true, "Permitir", false}},
      {"system audio not tried",
       Step::SystemAudio,
       Mic::Authorized,
       std::nullopt,
       "",
       {"onboarding.systemAudio", "Audio del sistema", kSystemAudioDetail, false, "Permitir",
        false}},
      {"system audio worked",
       Step::SystemAudio,
       Mic::Denied,
       QString(""),
       "",
       {"onboarding.systemAudio", "Audio del sistema", kSystemAudioDetail, true, "Reintentar",
        false}},
      {"system audio failed shows the error",
       Step::SystemAudio,
       Mic::NotDetermined,
       QString("Conexión rechazada por el servidor de sonido «pulse»."),
       "",
       {"onboarding.systemAudio", "Audio del sistema",
        "Conexión rechazada por el servidor de sonido «pulse».", false, "Reintentar", false}},
      {"the folder is never done",
       Step::Folder,
       Mic::Authorized,
       QString(""),
       "/home/ana/Apuntes de clase",
       {"onboarding.folder", "Carpeta de apuntes", "/home/ana/Apuntes de clase", false, "Elegir…",
        true}},
      {"no folder yet",
       Step::Folder,
       Mic::NotDetermined,
       {},
       "",
       {"onboarding.folder", "Carpeta de apuntes", "", false, "Elegir…", true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto row = OnboardingSteps::row(c.step, c.mic, c.systemAudio, c.folder);
    EXPECT_EQ(row.identifier, c.row.identifier);
    EXPECT_EQ(row.title, c.row.title);
    EXPECT_EQ(row.detail, c.row.detail);
    EXPECT_EQ(row.done, c.row.done);
    EXPECT_EQ(row.button, c.row.button);
    EXPECT_EQ(row.pathDetail, c.row.pathDetail);
  }
}

TEST(OnboardingStepRules, TheRowsAreTheThreeStepsInOrderWithTheirRoles) {
  OnboardingSteps steps;
  QAbstractItemModelTester tester(&steps, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy changed(&steps, &QAbstractItemModel::dataChanged);
  steps.setFolder("/home/ana/Apuntes");
  ASSERT_EQ(changed.size(), 1);
  EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), 2);

  const auto roles = steps.roleNames();
  auto value = [&](int row, const char* role) {
    return steps.data(steps.index(row), roles.key(role));
  };
  ASSERT_EQ(steps.rowCount(), 3);
  const struct {
    const char* identifier;
    int number;
    const char* detail;
  } rows[] = {{"onboarding.mic", 1, "Graba al aula desde el micrófono."},
              {"onboarding.systemAudio", 2,
               "Graba clases online (Zoom, Teams, Meet) desde el audio del sistema."},
              {"onboarding.folder", 3, "/home/ana/Apuntes"}};
  for (int row = 0; row < 3; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(value(row, "identifier"), rows[row].identifier);
    EXPECT_EQ(value(row, "number"), rows[row].number);
    EXPECT_EQ(value(row, "detail").toString(), QString::fromUtf8(rows[row].detail));
    EXPECT_EQ(value(row, "done"), false);
  }
  EXPECT_FALSE(steps.data(steps.index(3), roles.key("title")).isValid());
}

TEST(OnboardingStepRules, TheFolderButtonAsksTheViewForItsChooser) {
  OnboardingSteps steps;
  QSignalSpy chooser(&steps, &OnboardingSteps::folderChoiceRequested);
  const struct {
    Step step;
    int requests;
  } cases[] = {{Step::Mic, 0}, {Step::SystemAudio, 0}, {Step::Folder, 1}};
  for (const auto& c : cases) {
    chooser.clear();
    // Without permissions to ask, the permission buttons do nothing.
    steps.activate(static_cast<int>(c.step));
    EXPECT_EQ(chooser.size(), c.requests) << static_cast<int>(c.step);
  }
}

TEST(OnboardingStepRules, WithoutTheApplicationThereIsNoDownloadLine) {
  OnboardingSteps steps;
  EXPECT_EQ(steps.download(), BackgroundProcessing::ModelDownload::None);
  EXPECT_EQ(steps.downloadText(), "");
}

}  // namespace
}  // namespace kelv::app
