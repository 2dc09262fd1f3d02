// Time of the TextHelper routines on texts of 1 KB, 100 KB and 1 MB. Every
// routine is linear in the text length, so time per byte stays flat; the
// reported complexity (oN) and its RMS say how well a straight line fits.

#include "utility/TextHelper.h"

#include <benchmark/benchmark.h>

namespace {

// A text of `length` characters with single and double blanks, commas,
// double quotes and a few non-ASCII letters, as module and SQL texts have.
QString sampleText(qsizetype length)
{
    static const QString pattern =
        QStringLiteral("Order  Details, \"Ship Via\" = 'Größe' AND   Unit Price,  \"n/a\"   ");
    QString text;
    text.reserve(length);
    while (text.size() < length)
        text += pattern;
    text.truncate(length);
    return text;
}

template <typename Routine>
void run(benchmark::State &state, Routine routine)
{
    const QString text = sampleText(state.range(0));
    const pembry::TextHelper helper;
    for (auto _ : state)
        benchmark::DoNotOptimize(routine(helper, text));
    state.SetItemsProcessed(state.iterations() * state.range(0));   // characters
    state.SetComplexityN(state.range(0));
}

void RemoveAllSpaces(benchmark::State &state)
{
    run(state, [](const pembry::TextHelper &h, const QString &t) { return h.RemoveAllSpaces(t); });
}

void ReplaceText(benchmark::State &state)
{
    run(state, [](const pembry::TextHelper &h, const QString &t) {
        return h.ReplaceText(t, QStringLiteral(","), QStringLiteral(";"));
    });
}

// Every replacement forms the next occurrence with its neighbours: «(((...)))»
// with «()» removed collapses from the middle outwards.
void ReplaceTextNested(benchmark::State &state)
{
    const qsizetype half = state.range(0) / 2;
    const QString text = QString(half, u'(') + QString(half, u')');
    const pembry::TextHelper helper;
    for (auto _ : state)
        benchmark::DoNotOptimize(helper.ReplaceText(text, QStringLiteral("()"), QString()));
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

void ReplaceQuotesWithConstant(benchmark::State &state)
{
    run(state, [](const pembry::TextHelper &h, const QString &t) {
        return h.ReplaceQuotesWithConstant(t, QStringLiteral("mcstrQuote"));
    });
}

void RemoveExtraSpaces(benchmark::State &state)
{
    run(state, [](const pembry::TextHelper &h, const QString &t) { return h.RemoveExtraSpaces(t); });
}

}  // namespace

#define TEXT_SIZES Arg(1 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN)
BENCHMARK(RemoveAllSpaces)->TEXT_SIZES;
BENCHMARK(ReplaceText)->TEXT_SIZES;
BENCHMARK(ReplaceTextNested)->TEXT_SIZES;
BENCHMARK(ReplaceQuotesWithConstant)->TEXT_SIZES;
BENCHMARK(RemoveExtraSpaces)->TEXT_SIZES;
