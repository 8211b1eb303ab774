// Micro benchmarks of the numeric code: the exponential, the density, one
// whole conversion, the number text and the number reader.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "extended_exp.h"
#include "number_reader.h"
#include "number_text.h"
#include "score_conversion.h"

namespace {

template <typename T, typename Distribution>
std::vector<T> Samples(Distribution distribution) {
  std::mt19937_64 random(42);
  std::vector<T> samples(1024);
  for (T& sample : samples) sample = distribution(random);
  return samples;
}

void BM_ExtendedExp(benchmark::State& state) {
  const auto arguments = Samples<long double>(std::uniform_real_distribution<long double>(-40, 0));
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(ExtendedExp(arguments[i++ & 1023]));
}
BENCHMARK(BM_ExtendedExp);

void BM_NormalDensity(benchmark::State& state) {
  const auto arguments = Samples<double>(std::uniform_real_distribution<double>(-9, 9));
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(NormalDensity(arguments[i++ & 1023]));
}
BENCHMARK(BM_NormalDensity);

void BM_AreaFromMean(benchmark::State& state) {
  const auto arguments = Samples<double>(std::uniform_real_distribution<double>(-15, 15));
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(AreaFromMean(arguments[i++ & 1023]));
}
BENCHMARK(BM_AreaFromMean);

void BM_NumberText(benchmark::State& state) {
  const auto values = Samples<double>(std::uniform_real_distribution<double>(-1, 101));
  std::size_t i = 0;
  NumberTextBuffer buffer;
  for (auto _ : state) benchmark::DoNotOptimize(NumberText(values[i++ & 1023], buffer));
}
BENCHMARK(BM_NumberText);

void BM_ReadNumber(benchmark::State& state) {
  std::vector<std::string> tokens;
  for (double value : Samples<double>(std::uniform_real_distribution<double>(-50, 150))) {
    tokens.push_back(std::to_string(value));
  }
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(ReadNumber(tokens[i++ & 1023]));
}
BENCHMARK(BM_ReadNumber);

}  // namespace

BENCHMARK_MAIN();
