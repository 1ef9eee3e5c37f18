// Object stream throughput: writes and reads a graph of N elements (owner entities holding string
// entities, some children shared by two groups). Generation is outside the timed region.
//   bench_stream write N FILE   build the graph, time TSave
//   bench_stream read FILE      time TLoad (run it as its own process for a clean peak RSS)
// Each mode prints one line: seconds, elements/s, MB/s and the process's peak RSS.
#include "framework/Elements.h"
#include "persistence/T_Saver.h"
#include "persistence/t_Loader.h"
#include "startup/Init.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <chrono>
#include <cstdio>
#include <sys/resource.h>

using namespace zelto;

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

long peakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Root → groups of 100 string entities; every tenth group also holds ten children of its
// neighbour, so about 1% of the children are shared.
TOwnerEntity* buildGraph(int n, int& count) {
    auto* root = new TOwnerEntity;
    root->SetName("root");
    count = 1;
    TOwnerEntity* previous = nullptr;
    int g = 0;
    while (count < n) {
        auto* group = new TOwnerEntity;
        group->SetName(QStringLiteral("G%1").arg(g));
        root->AddElement(group);
        ++count;
        for (int i = 0; i < 100 && count < n; ++i, ++count) {
            auto* s = new TStringEntity;
            s->SetName(QStringLiteral("E%1").arg(i));
            s->SetValue(QStringLiteral("hodnota %1/%2").arg(g).arg(i));
            group->AddElement(s);
        }
        if (previous && g % 10 == 0)
            for (int i = 0; i < 10 && i < previous->ElementsCount(); ++i) group->AddElement(previous->Get(i));
        previous = group;
        ++g;
    }
    return root;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    zelto::init();
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == "write") {
        int count = 0;
        TOwnerEntity* root = buildGraph(args[2].toInt(), count);
        const double t0 = now();
        TSave save(args[3]);
        save.SetNoProgress(true);
        save.SetInput(root);
        save.DoIt();
        const double t = now() - t0;
        const double mb = double(QFileInfo(args[3]).size()) / 1e6;
        std::printf("write elements=%d bytes=%lld seconds=%.3f elements/s=%.0f MB/s=%.1f peakRSS_MB=%.0f\n",
                    count, QFileInfo(args[3]).size(), t, count / t, mb / t, peakRssKb() / 1024.0);
        root->FastFreeAll();
        delete root;
        return 0;
    }
    if (args.size() == 3 && args[1] == "read") {
        const double t0 = now();
        TLoad load(args[2]);
        load.SetNoProgress(true);
        load.DoIt();
        const double t = now() - t0;
        const qsizetype count = load.RecordsRead();
        const double mb = double(QFileInfo(args[2]).size()) / 1e6;
        std::printf("read elements=%lld seconds=%.3f elements/s=%.0f MB/s=%.1f peakRSS_MB=%.0f\n",
                    (long long)count, t, count / t, mb / t, peakRssKb() / 1024.0);
        if (qEnvironmentVariableIsSet("BENCH_NO_FREE")) std::_Exit(0); // profiling the read alone
        const double f0 = now();
        delete load.FOutput; // the root owns the whole graph
        std::printf("free seconds=%.3f\n", now() - f0);
        return 0;
    }
    std::fprintf(stderr, "usage: bench_stream write N FILE | bench_stream read FILE\n");
    return 2;
}
