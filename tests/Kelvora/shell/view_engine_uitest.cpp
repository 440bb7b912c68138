// Windows made from the real QML module the one way the application makes them: named, owned
// by the caller, and a component that makes no window reported in the caller's words.
#include <QQmlEngine>
#include <QQuickWindow>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "app_model_fixture.h"
#include "shell/view_engine.h"

namespace kelv::app {
namespace {

class ViewEngineTest : public AppModelTest {
 protected:
  void SetUp() override {
    AppModelTest::SetUp();
    prepareViewEngine(engine);
  }

  QQmlEngine engine;
};

TEST_F(ViewEngineTest, MakesTheNamedWindowWithItsProperties) {
  const std::unique_ptr<AppModel> model = makeModel();
  const QVariantMap properties{
      {QStringLiteral("appModel"), QVariant::fromValue(static_cast<QObject*>(model.get()))}};
  const std::unique_ptr<QQuickWindow> window =
      makeWindow(engine, QStringLiteral("MeetingsWindow"), properties, QStringLiteral("main"),
                 "The window main can't be shown");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->objectName(), QStringLiteral("main"));
  EXPECT_EQ(window->property("appModel").value<QObject*>(), model.get());
}

TEST_F(ViewEngineTest, AComponentThatMakesNoWindowFailsInTheCallersWords) {
  const struct {
    const char* component;
    bool engineErrors;  // whether the engine adds its own explanation
  } cases[] = {
      {"Card", false},         // an item, not a window
      {"NoSuchWindow", true},  // not in the module
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.component);
    try {
      makeWindow(engine, QString::fromLatin1(c.component), {}, QStringLiteral("x"),
                 "The menu can't be shown");
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
      const std::string text = error.what();
      EXPECT_TRUE(text.starts_with("The menu can't be shown: ")) << text;
      EXPECT_EQ(text.size() > std::string("The menu can't be shown: ").size(), c.engineErrors)
          << text;
    }
  }
}

}  // namespace
}  // namespace kelv::app
