// zelto-demo [--project FILE.opx] [--user NAME] [--size WxH] [--touch]
//            [--screenshot FILE] [--dump-widgets FILE] [--script FILE]
//            [--import FILE [--mode N]]
//
// Places the map component on a small host window and opens the project. With --screenshot or
// --dump-widgets it waits for OnMapReady and the first finished redraw, writes the map window as
// PNG and/or the description of every widget of the component's windows as JSON, and exits. With
// --script it runs a UI script on the shown map (see ScriptRunner.h) and exits with its result.
// With --import the host imports a layer file once the map is shown and the project open: in the
// import window, or without it by the mode N (1 new layer, 2 replace, 3 add); a script runs after.
#include "DemoHost.h"
#include "MapAccess.h"
#include "Script.h"
#include "ScriptRunner.h"
#include "WidgetDump.h"

#include "AppNotifier.h"
#include "Component_MiniZelto.h"
#include "Kordlin_Main.h"

#include "framework/Notifier.h"
#include "platform/Location.h"
#include "startup/Init.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>

using namespace zelto;

namespace {

int fail(const QString& text, int code = 1) {
    std::fprintf(stderr, "zelto-demo: %s\n", qPrintable(text));
    return code;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zelto-demo"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "MiniZelto demo host\n\n"
            "Commands of a --script file (UTF-8, one a line; blank lines and lines that start\n"
            "with # are skipped; NAME is a control's objectName, X Y are page pixels of the map):\n") +
        zdemo::scriptCommandHelp().join(QLatin1Char('\n')));
    parser.addHelpOption();
    const QCommandLineOption project(QStringLiteral("project"), QStringLiteral("Project file to open."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("User name."),
                                  QStringLiteral("NAME"), QStringLiteral("demo"));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("Size of the map window."),
                                  QStringLiteral("WxH"), QStringLiteral("1280x800"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save the map window as PNG once the map is drawn, then exit."),
        QStringLiteral("FILE"));
    const QCommandLineOption dump(
        QStringLiteral("dump-widgets"),
        QStringLiteral("Write the component's widgets as JSON once the map is drawn, then exit."),
        QStringLiteral("FILE"));
    const QCommandLineOption script(
        QStringLiteral("script"),
        QStringLiteral("Run the UI script FILE once the map is drawn; exit 0 when it ends, 1 at its first "
                       "failing line."),
        QStringLiteral("FILE"));
    const QCommandLineOption touch(QStringLiteral("touch"),
                                   QStringLiteral("The map takes touch gestures instead of the mouse."));
    const QCommandLineOption nmea(
        QStringLiteral("nmea"),
        QStringLiteral("The GPS replays the NMEA log FILE (as ZELTO_NMEA_FILE does)."),
        QStringLiteral("FILE"));
    const QCommandLineOption importFile(
        QStringLiteral("import"),
        QStringLiteral("Import the layer file FILE once the project is open (the host's Import call): in "
                       "the import window, or without it by --mode."),
        QStringLiteral("FILE"));
    const QCommandLineOption importMode(
        QStringLiteral("mode"),
        QStringLiteral("With --import: import without the window; 1 a new layer, 2 replace the layer of "
                       "that name, 3 add to it."),
        QStringLiteral("N"));
    parser.addOptions({project, user, size, screenshot, dump, script, touch, nmea, importFile, importMode});
    parser.process(app);

    const QRegularExpressionMatch wh =
        QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(parser.value(size));
    if (!wh.hasMatch() || wh.captured(1).toInt() < 320 || wh.captured(2).toInt() < 240)
        return fail(QStringLiteral("--size wants WxH, at least 320x240"), 2);
    const QSize mapSize(wh.captured(1).toInt(), wh.captured(2).toInt());
    const QString projectFile = parser.value(project);
    const QString screenshotFile = parser.value(screenshot);
    const QString dumpFile = parser.value(dump);
    const QString scriptFile = parser.value(script);
    if (!scriptFile.isEmpty() && (!screenshotFile.isEmpty() || !dumpFile.isEmpty()))
        return fail(QStringLiteral("--script does not go with --screenshot or --dump-widgets (a script has "
                                   "screenshot and dump commands)"),
                    2);
    const bool automated = !screenshotFile.isEmpty() || !dumpFile.isEmpty() || !scriptFile.isEmpty();
    bool modeOk = true;
    const int mode = parser.value(importMode).toInt(&modeOk);
    if (parser.isSet(importMode) && (!modeOk || !parser.isSet(importFile)))
        return fail(QStringLiteral("--mode wants a number and goes with --import"), 2);

    // The script is read and checked before any window opens.
    std::vector<zdemo::ScriptLine> scriptLines;
    if (!scriptFile.isEmpty()) {
        QFile in(scriptFile);
        if (!in.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1: %2").arg(scriptFile, in.errorString()));
        zdemo::ScriptError error;
        if (!zdemo::parseScript(QString::fromUtf8(in.readAll()), scriptLines, error))
            return fail(QStringLiteral("%1:%2: %3").arg(scriptFile).arg(error.line).arg(error.reason));
    }

    if (parser.isSet(nmea)) {
        const QString log = parser.value(nmea);
        if (!QFileInfo(log).isFile()) return fail(QStringLiteral("--nmea: %1 is not a file").arg(log), 2);
        zelto::platform::setLocationSource(zelto::platform::QtLocationSource::nmeaReplay(log));
    } else if (!scriptFile.isEmpty() && qEnvironmentVariableIsEmpty("ZELTO_NMEA_FILE")) {
        // A script without a log has its positions from its gps commands.
        zelto::platform::setLocationSource(std::make_unique<zelto::platform::InjectedLocationSource>());
    }

    zelto::init();
    if (automated) {
        // Nobody to click message boxes away: texts go to the log.
        auto recorder = std::make_unique<RecordingNotifier>();
        recorder->setQuiet(false);
        setNotifier(std::move(recorder));
    } else {
        installMessageBoxNotifier();
    }
    TMiniZelto::Register();

    zdemo::DemoHost host(parser.value(user));
    host.show();
    TMiniZelto* component = host.component();
    component->SetOpenButtonVisible(true);
    component->SetMapCloseIsVisible(true);

    // The first DoIt creates the map form without showing it, so that it can take its size first;
    // the second shows it and opens the project.
    component->SetMapOnBackground(true);
    component->DoIt();
    TMainForm* form = component->Form();
    form->resize(mapSize);
    component->SetMapOnBackground(false);
    component->DoIt();
    // The project is opened as the component's own DoIt opens it, so that a refused one is known
    // at once: a script or a screenshot then ends with the reason instead of waiting for a map.
    const bool opened = projectFile.isEmpty() || form->LoadProject(projectFile);
    if (parser.isSet(touch)) zdemo::mapaccess::setTakesTouch(*form, true);
    if (opened && parser.isSet(importFile)) {
        component->Import(parser.value(importFile), !parser.isSet(importMode), mode, QString());
        host.log(QStringLiteral("Import %1").arg(parser.value(importFile)));
    }
    if (!automated) return app.exec();
    if (!opened) {
        const QStringList texts = recordingNotifier() ? recordingNotifier()->all() : QStringList();
        return fail(QStringLiteral("the project was not opened: %1").arg(texts.join(QStringLiteral("; "))));
    }

    if (!scriptFile.isEmpty()) {
        zdemo::ScriptRunner runner(*form, scriptFile, std::move(scriptLines), !projectFile.isEmpty());
        QObject::connect(&runner, &zdemo::ScriptRunner::finished, &app,
                         [](int code) { QApplication::exit(code); });
        runner.start();
        return app.exec();
    }

    // Wait until the window is on the screen and no redraw runs (a resize on mapping redraws).
    auto* poll = new QTimer(&app);
    int settled = 0;
    int ticks = 0;
    int result = 0;
    QObject::connect(poll, &QTimer::timeout, &app, [&] {
        ++ticks;
        // OnMapReady comes once the project's first redraw has completed.
        const bool ready = zdemo::mapaccess::shown(*form, !projectFile.isEmpty()) &&
                           (projectFile.isEmpty() || host.mapReadyCount() > 0);
        settled = ready ? settled + 1 : 0;
        if (settled < 3 && ticks < 200) return;
        poll->stop();
        if (settled < 3 && !projectFile.isEmpty() && host.mapReadyCount() == 0) {
            const QStringList texts = recordingNotifier() ? recordingNotifier()->all() : QStringList();
            result =
                fail(QStringLiteral("the project was not opened: %1").arg(texts.join(QStringLiteral("; "))));
        } else if (settled < 3) {
            result = fail(QStringLiteral("the map window did not settle"));
        } else {
            if (!dumpFile.isEmpty()) {
                QFile out(dumpFile);
                if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                    out.write(zdemo::dumpWidgets(zdemo::componentWindows(form))) < 0)
                    result = fail(QStringLiteral("cannot write %1: %2").arg(dumpFile, out.errorString()));
            }
            if (result == 0 && !screenshotFile.isEmpty() && !form->grab().save(screenshotFile, "PNG"))
                result = fail(QStringLiteral("cannot write %1").arg(screenshotFile));
        }
        QApplication::exit(result);
    });
    poll->start(50);
    return app.exec();
}
