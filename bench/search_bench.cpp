// The library search: reading an engine file, one ranked query and the typed search the search
// window runs on every key (query, fill to whole pages, history), on engines of 300 topics (the
// size of the default library) up to 20,000.
#include "media/searchengine.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace kav;

namespace {

// Topics with an essence and 8 keywords each from a vocabulary of 400 words.
QByteArray engineFile(int topics)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> word(0, 399);
    QByteArray out;
    for (int i = 0; i < topics; ++i) {
        out += "deflib/image/topic" + QByteArray::number(i) + "\r\nTopic " + QByteArray::number(i) + "\r\n1\r\n0\r\nw" +
               QByteArray::number(word(random)) + "\r\n8\r\n";
        for (int k = 0; k < 8; ++k)
            out += "w" + QByteArray::number(word(random)) + "\r\n";
    }
    return out;
}

void BM_LoadEngineFile(benchmark::State& state)
{
    const QByteArray bytes = engineFile(int(state.range(0)));
    TSearchEngine e;
    for (auto _ : state)
        benchmark::DoNotOptimize(e.LoadFromBytes(bytes, QStringLiteral("image.txt")));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_LoadEngineFile)->Arg(300)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_RankOneWord(benchmark::State& state)
{
    TSearchEngine e;
    e.LoadFromBytes(engineFile(int(state.range(0))), QStringLiteral("image.txt"));
    QStringList result;
    for (auto _ : state)
        benchmark::DoNotOptimize(e.SearchWord(QStringLiteral("w17"), &result, false));
}
BENCHMARK(BM_RankOneWord)->Arg(300)->Arg(2000)->Arg(20000)->Unit(benchmark::kMicrosecond);

void BM_TypedSearchWithFill(benchmark::State& state)
{
    TSearchEngine e;
    e.LoadFromBytes(engineFile(int(state.range(0))), QStringLiteral("image.txt"));
    TSearchResults r(&e);
    r.HistoryLimit = 20;
    for (auto _ : state) {
        r.SearchTyped(QStringLiteral("w17"), QStringLiteral("deflib/image/topic3"));
        benchmark::DoNotOptimize(r.List.size());
    }
}
BENCHMARK(BM_TypedSearchWithFill)->Arg(300)->Arg(2000)->Arg(20000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
