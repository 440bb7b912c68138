// Onboarding, loaded from the real QML module with real settings, permissions and application
// models on a preferences file in a temporary folder.
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "app_model_fixture.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "view_harness.h"
#include "view_models/permissions_model.h"
#include "view_models/settings_model.h"

namespace kelv::app {
namespace {

using kelv::test::ViewHarness;

class OnboardingViews : public AppModelTest {
 protected:
  void SetUp() override {
    AppModelTest::SetUp();
    const core::SettingsStore store(core::Preferences(preferencesFile()),
                                    std::make_shared<core::MemorySecretStore>());
    model = std::make_unique<SettingsModel>(store);
    permissions = std::make_unique<PermissionsModel>(store);
  }

  QQuickItem* showOnboarding() {
    QQuickItem* root =
        views.load("OnboardingView",
                   {{"model", QVariant::fromValue<QObject*>(model.get())},
                    {"app", QVariant::fromValue<QObject*>(app.get())},
                    {"permissions", QVariant::fromValue<QObject*>(permissions.get())}},
                   {520, 560});
    if (root) QMetaObject::invokeMethod(root, "appear");
    views.settle();
    return root;
  }

  QQuickItem* stepPart(const QString& step, const QString& part) {
    for (QQuickItem* item : views.findAll(part))
      for (QQuickItem* parent = item; parent; parent = parent->parentItem())
        if (parent->objectName() == step) return item;
    return nullptr;
  }

  QString stepText(const QString& step, const QString& part) {
    QQuickItem* item = stepPart(step, part);
    return item ? item->property("text").toString() : QStringLiteral("<missing>");
  }

  std::unique_ptr<SettingsModel> model;
  std::unique_ptr<PermissionsModel> permissions;
  // Outlives the views that show it.
  std::unique_ptr<AppModel> app;
  ViewHarness views;
};

TEST_F(OnboardingViews, ListoWaitsForConsentAndReturnFinishes) {
  app = makeModel(script("exit 1\n"));
  QQuickItem* root = showOnboarding();
  ASSERT_NE(root, nullptr);
  QSignalSpy finished(root, SIGNAL(finished()));
  QQuickItem* done = views.find("onboarding.done");
  EXPECT_FALSE(done->isEnabled());
  QTest::keyClick(&views.window(), Qt::Key_Return);
  EXPECT_FALSE(permissions->consentAcknowledged());
  EXPECT_EQ(finished.size(), 0);

  views.find("onboarding.consent")->setProperty("checked", true);
  QMetaObject::invokeMethod(views.find("onboarding.consent"), "toggled");
  views.settle();
  EXPECT_TRUE(done->isEnabled());
  root->forceActiveFocus();
  QTest::keyClick(&views.window(), Qt::Key_Return);
  EXPECT_TRUE(permissions->consentAcknowledged());
  EXPECT_EQ(finished.size(), 1);
}

TEST_F(OnboardingViews, TheStepsShowTheirTitlesDetailsAndButtons) {
  app = makeModel(script("exit 1\n"));
  ASSERT_NE(showOnboarding(), nullptr);
  const struct {
    const char* step;
    const char* detail;
    const char* button;
  } steps[] = {
      {"onboarding.mic", "Graba al aula desde el micrófono.", "Permitir"},
      {"onboarding.systemAudio",
       "Graba clases online (Zoom, Teams, Meet) desde el audio del sistema.", "Permitir"},
      {"onboarding.folder", nullptr, "Elegir…"},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    const QString detail = s.detail ? QString::fromUtf8(s.detail) : model->notesFolder();
    EXPECT_EQ(stepText(s.step, "onboarding.detail"), detail);
    EXPECT_EQ(stepText(s.step, "onboarding.button"), QString::fromUtf8(s.button));
    EXPECT_TRUE(stepPart(s.step, "onboarding.button")->isVisible());
    EXPECT_FALSE(stepPart(s.step, "onboarding.allowed")->isVisible());
  }
  EXPECT_FALSE(model->notesFolder().isEmpty());
}

TEST_F(OnboardingViews, AFailedSystemAudioAttemptShowsItsTextAndRetry) {
  app = makeModel(script("exit 1\n"));
  ASSERT_NE(showOnboarding(), nullptr);
  EXPECT_EQ(stepText("onboarding.systemAudio", "onboarding.button"), "Permitir");
  ::setenv("PULSE_SERVER", (temp / "no-server").c_str(), 1);
  // Through the step's own button, as the user asks.
  QMetaObject::invokeMethod(stepPart("onboarding.systemAudio", "onboarding.button"), "clicked");
  ASSERT_TRUE(views.waitUntil([&] { return permissions->systemAudio().has_value(); }));
  ::unsetenv("PULSE_SERVER");
  views.settle();
  EXPECT_EQ(stepText("onboarding.systemAudio", "onboarding.detail"), *permissions->systemAudio());
  EXPECT_EQ(stepText("onboarding.systemAudio", "onboarding.button"), "Reintentar");
  EXPECT_FALSE(permissions->consentAcknowledged());
}

TEST_F(OnboardingViews, TheDownloadLineFollowsTheDownloadsEnd) {
  const struct {
    const char* name;
    const char* script;
    const char* text;
    bool ready;
  } cases[] = {
      {"finished", "exit 0\n", "Transcription model ready.", true},
      {"failed", "exit 1\n", "The transcription model will download with your first Meeting.",
       false},
  };
  writeSettings(true, /*onDevice=*/true);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The earlier case's view goes before its model.
    std::unique_ptr<AppModel> previous = std::exchange(app, makeModel(script(c.script)));
    ASSERT_NE(showOnboarding(), nullptr);
    previous.reset();
    ASSERT_TRUE(views.waitUntil(
        [&] { return app->modelDownloadState() != BackgroundProcessing::ModelDownload::Running; }));
    views.settle();
    EXPECT_EQ(app->modelDownload(), QString::fromUtf8(c.text));
    EXPECT_EQ(views.find("onboarding.downloadText")->property("text").toString(),
              QString::fromUtf8(c.text));
    EXPECT_EQ(views.find("onboarding.downloadSymbol")->property("ready"), c.ready);
    EXPECT_TRUE(views.find("onboarding.download")->isVisible());
    QMetaObject::invokeMethod(views.root(), "appear");  // shown again: no second download
    EXPECT_EQ(app->modelDownload(), QString::fromUtf8(c.text));
  }
}

TEST_F(OnboardingViews, AnotherTranscriptionBackendShowsNoDownload) {
  app = makeModel(script("exit 0\n"));
  ASSERT_NE(showOnboarding(), nullptr);
  EXPECT_EQ(app->modelDownloadState(), BackgroundProcessing::ModelDownload::None);
  EXPECT_FALSE(views.find("onboarding.download")->isVisible());
}

}  // namespace
}  // namespace kelv::app
