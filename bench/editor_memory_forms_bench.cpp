// The editor's memory with a large project open (target: at most 150 MB resident): a project of
// 100 scenes of 50 items each (images, animations, texts, all on paths) opened in the main
// window on the offscreen platform, its first scene shown. Counters: resident memory after the
// open (VmRSS), the process's peak (VmHWM), the resident memory before the window was made and,
// in the second run, after every scene was shown once.
//
// The project is made and saved by a child run of this program, so that making it leaves
// nothing in the measured process. KAV_MEMBENCH_PROJECT names a project to open instead.
#include "benchdoc.h"

#include "editor/forms/mainform.h"
#include "platform/soundoutput.h"

#include <QApplication>
#include <QProcess>

#include <benchmark/benchmark.h>

using namespace kav;
using namespace kavbench;

namespace {

constexpr int kScenes = 100;
constexpr int kItemsPerScene = 50;

// A figure of /proc/self/status in bytes ("VmRSS", "VmHWM"); 0 where there is none.
double statusBytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toDouble() * 1024.0;
    return 0;
}

int makeProject(const QString& file)
{
    Engine engine("memory-make");
    TProject project;
    project.New();
    makeMedia(project.WorkDir());
    QRandomGenerator gen(20261209);
    for (int s = 0; s < kScenes; ++s) {
        TScene* scene = s == 0 ? Doc().Scene(0) : SceneOps::AddScene();
        Doc().LogicalScene = scene;
        for (int i = 0; i < kItemsPerScene; ++i)
            randomPath(gen, mixedItem(gen, scene, i), int(gen.bounded(5)));
        scene->AfterLoad();
    }
    Doc().LogicalScene = Doc().Scene(0);
    try {
        project.SaveAs(file);
    } catch (const UserError& e) {
        die(e.message());
    }
    return 0;
}

QString g_projectFile;
std::unique_ptr<Engine> g_engine;

void BM_EditorWithLargeProjectOpen(benchmark::State& state)
{
    for (auto _ : state) {
        const double before = statusBytes("VmRSS");
        TProject project;
        project.New();
        TSoundOutput sound;
        TMainForm window(project, &sound);
        window.ShowError = [](const QString& m) { die(m); };
        window.resize(1280, 800);
        window.show();
        if (!window.OpenFile(g_projectFile))
            die(QStringLiteral("cannot open %1").arg(g_projectFile));
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        if (Doc().SceneCount() != kScenes && qEnvironmentVariableIsEmpty("KAV_MEMBENCH_PROJECT"))
            die(QStringLiteral("the project has %1 scenes").arg(Doc().SceneCount()));
        state.counters["VmRSS_MB"] = statusBytes("VmRSS") / 1e6;
        state.counters["VmHWM_MB"] = statusBytes("VmHWM") / 1e6;
        state.counters["VmRSS_before_MB"] = before / 1e6;
        state.counters["scenes"] = Doc().SceneCount();
        if (state.range(0)) {
            // Every scene shown once in turn: what the window keeps of scenes no longer shown.
            for (int s = 0; s < Doc().SceneCount(); ++s) {
                window.SelectScene(s);
                QCoreApplication::processEvents();
            }
            window.SelectScene(0);
            QCoreApplication::processEvents();
            state.counters["VmRSS_after_all_scenes_MB"] = statusBytes("VmRSS") / 1e6;
            state.counters["VmHWM_MB"] = statusBytes("VmHWM") / 1e6;
        }
    }
}

} // namespace

// Argument 1: then every scene is shown in turn.
BENCHMARK(BM_EditorWithLargeProjectOpen)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray make = qgetenv("KAV_MEMBENCH_MAKE");
    if (!make.isEmpty()) {
        QGuiApplication app(argc, argv);
        return makeProject(QString::fromLocal8Bit(make));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QApplication app(argc, argv);
    g_engine = std::make_unique<Engine>("memory");
    g_projectFile = QString::fromLocal8Bit(qgetenv("KAV_MEMBENCH_PROJECT"));
    if (g_projectFile.isEmpty()) {
        g_projectFile = g_engine->path(QStringLiteral("large.plt"));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KAV_MEMBENCH_MAKE"), g_projectFile);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {});
        if (!child.waitForFinished(600000) || child.exitCode() != 0)
            die(QStringLiteral("the project was not made"));
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_engine.reset();
    return 0;
}
