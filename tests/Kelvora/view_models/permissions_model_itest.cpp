// The permissions onboarding asks for, against private sound servers, and the recording
// consent in a real preferences file.
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app_model_fixture.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "pulse_server.h"
#include "view_models/permissions_model.h"

namespace kelv::app {
namespace {

class PermissionsModelTest : public AppModelTest {
 protected:
  void SetUp() override {
    AppModelTest::SetUp();
    model = std::make_unique<PermissionsModel>(store());
  }

  core::SettingsStore store() const {
    return core::SettingsStore(core::Preferences(preferencesFile()),
                               std::make_shared<core::MemorySecretStore>());
  }

  std::unique_ptr<PermissionsModel> model;
};

TEST_F(PermissionsModelTest, PermissionsFollowTheSoundServer) {
  EXPECT_EQ(model->mic(), PermissionsModel::Mic::NotDetermined);
  EXPECT_EQ(model->systemAudioState(), PermissionsModel::SystemAudio::NotTried);
  {
    kelv::test::PulseServer pulse;
    model->requestMic();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return model->mic() != PermissionsModel::Mic::NotDetermined; }));
    EXPECT_EQ(model->mic(), PermissionsModel::Mic::Authorized);
    model->requestSystemAudio();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->systemAudio().has_value(); }, 15'000));
    EXPECT_EQ(model->systemAudio(), "");
    EXPECT_EQ(model->systemAudioState(), PermissionsModel::SystemAudio::Worked);
  }
  {
    kelv::test::PulseServer pulse({.micFrequency = std::nullopt});
    model->requestMic();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->mic() == PermissionsModel::Mic::Restricted; }));
  }
  ::setenv("PULSE_SERVER", (temp / "no-server").c_str(), 1);
  model->requestSystemAudio();
  QSignalSpy done(model.get(), &PermissionsModel::systemAudioChanged);
  ASSERT_TRUE(done.wait(15'000));
  EXPECT_FALSE(model->systemAudio()->isEmpty());
  EXPECT_EQ(model->systemAudioState(), PermissionsModel::SystemAudio::Failed);
  EXPECT_EQ(model->systemAudioProblem(), *model->systemAudio());
  ::unsetenv("PULSE_SERVER");
}

TEST_F(PermissionsModelTest, TheConsentIsStoredForTheNextStart) {
  EXPECT_FALSE(model->consentAcknowledged());
  model->acknowledgeConsent();
  EXPECT_TRUE(model->consentAcknowledged());
  EXPECT_TRUE(store().consentAcknowledged());
  EXPECT_EQ(model->problem(), "");
}

TEST_F(PermissionsModelTest, AnAnswerArrivingAfterTheModelIsGoneIsDropped) {
  ::setenv("PULSE_SERVER", (temp / "no-server").c_str(), 1);
  model->requestSystemAudio();
  model.reset();
  // The attempt ends on its worker; its answer, queued for the main thread, finds no model.
  ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(15'000));
  QCoreApplication::processEvents();
  ::unsetenv("PULSE_SERVER");
}

}  // namespace
}  // namespace kelv::app
