// The application's entry: reads the command line and the environment once, becomes the one
// running instance (a later launch hands its kelvora: URLs to it and ends), and runs the model
// until the event loop ends, by a quit or a termination signal alike.
#include <signal.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QQmlEngine>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>

#include "controllers/app_model.h"
#include "desktop/single_instance.h"
#include "desktop/tray_item.h"
#include "kelv/core/util/application.h"
#include "kelv/core/util/environment.h"
#include "shell/app_delegate.h"
#include "shell/display_probe.h"
#include "shell/instance_launch.h"
#include "shell/view_engine.h"
#include "shell/window_shell.h"

namespace {

namespace ExitStatus = kelv::core::ExitStatus;
using kelv::app::InstanceLaunch::Claim;

bool isKelvoraURL(const QString& argument) {
  return argument.startsWith(QLatin1String("kelvora:"), Qt::CaseInsensitive);
}

// Runs `step`, printing rather than propagating its error: one bad URL or a failing end step
// must not take the instance down.
template <typename Step>
void reported(Step step) {
  try {
    step();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kelvora: %s\n", error.what());
  }
}

}  // namespace

int main(int argc, char** argv) {
  const kelv::core::Environment environment = kelv::core::Environment::ofProcess();

  QStringList arguments;
  for (int index = 0; index < argc; ++index) arguments << QString::fromLocal8Bit(argv[index]);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Runs Tizara. When it already runs, the URLs are handed to the running instance:\n"
      "kelvora://start starts a recording, kelvora://stop stops it."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this help."));
  const QCommandLineOption headless(QStringLiteral("headless"),
                                    QStringLiteral("Run without windows."));
  parser.addOption(help);
  parser.addOption(headless);
  parser.addPositionalArgument(QStringLiteral("urls"),
                               QStringLiteral("kelvora://start or kelvora://stop."),
                               QStringLiteral("[kelvora://start | kelvora://stop ...]"));
  const bool parsed = parser.parse(arguments);
  if (!parsed || parser.isSet(help)) {
    // The help text names the program from the application object; no display is needed.
    QCoreApplication textOnly(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvora"));
    if (!parsed) {
      std::fprintf(stderr, "kelvora: %s\n%s", qPrintable(parser.errorText()),
                   qPrintable(parser.helpText()));
      return ExitStatus::usage;
    }
    std::fputs(qPrintable(parser.helpText()), stdout);
    return ExitStatus::success;
  }
  // Anything but a kelvora: URL (a desktop launcher's file argument) is passed over.
  QStringList urls;
  for (const QString& argument : parser.positionalArguments())
    if (isKelvoraURL(argument)) urls << argument;

  // Qt ends the process inside its platform plugin when it finds no display; say why instead,
  // after handing the URLs to a running instance, which needs no display of this launch.
  if (!parser.isSet(headless)) {
    if (const auto reason = kelv::app::missingDisplay(kelv::app::DisplayEnvironment::ofProcess())) {
      QCoreApplication textOnly(argc, argv);
      if (kelv::app::SingleInstance::forward(urls)) return ExitStatus::success;
      std::fprintf(stderr,
                   "kelvora: %s.\n`kelvora --headless` records and processes classes without "
                   "windows.\n",
                   reason->c_str());
      return ExitStatus::failure;
    }
  }

  // A processing child that dies must not take the application with it.
  ::signal(SIGPIPE, SIG_IGN);

  // Headless runs need no display at all; otherwise the tray and the windows need Qt Widgets'
  // application object. Closing the last window leaves the tray application running.
  std::unique_ptr<QCoreApplication> owner;
  if (parser.isSet(headless)) {
    owner = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    auto gui = std::make_unique<QApplication>(argc, argv);
    gui->setQuitOnLastWindowClosed(false);
    owner = std::move(gui);
  }
  QCoreApplication& application = *owner;
  QCoreApplication::setApplicationName(QStringLiteral("kelvora"));

  // Handled from the moment a later launch can find this instance, so a signal that follows
  // the socket's appearance always ends it cleanly.
  if (!kelv::app::InstanceLaunch::quitOnTerminationSignals(application))
    std::fprintf(stderr, "kelvora: termination signals can't be handled: %s\n",
                 std::strerror(errno));

  kelv::app::SingleInstance instance;
  switch (kelv::app::InstanceLaunch::claim(instance, urls)) {
    case Claim::instance:
      break;
    case Claim::handedOver:
      return ExitStatus::success;
    case Claim::unanswered:
      std::fputs("kelvora: another instance is running but does not answer\n", stderr);
      return ExitStatus::failure;
  }

  try {
    kelv::app::AppModel& model = kelv::app::AppModel::shared(environment);
    kelv::app::AppDelegate delegate(model);
    // The windows and the tray item, unless headless. Declared in this order so the windows
    // go before the engine that made them.
    std::optional<QQmlEngine> engine;
    std::optional<kelv::app::WindowShell> shell;
    std::optional<kelv::app::TrayItem> tray;
    if (!parser.isSet(headless)) {
      engine.emplace();
      kelv::app::prepareViewEngine(*engine);
      shell.emplace(model, *engine);
      tray.emplace(model, *shell, *engine);
    }
    QObject::connect(&instance, &kelv::app::SingleInstance::received, &delegate,
                     [&delegate](const QStringList& arguments) {
                       QStringList forwarded;
                       for (const QString& argument : arguments)
                         if (isKelvoraURL(argument)) forwarded << argument;
                       // Launched again without URLs: the user wants the application.
                       reported([&] {
                         if (forwarded.isEmpty())
                           delegate.reopen();
                         else
                           delegate.openURLs(forwarded);
                       });
                     });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { reported([&] { delegate.shutDown(); }); });

    delegate.launch();
    delegate.integrateWithDesktop();
    if (tray) tray->show();
    delegate.openURLs(urls);
    return application.exec();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kelvora: %s\n", error.what());
    return ExitStatus::failure;
  }
}
