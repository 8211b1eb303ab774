// The fast road's two compilations, for the densities and the running-sum
// check: two SSE2 lanes here, where exact products come from Dekker's
// splitting; four AVX2 lanes in density_fast_path_avx2.cpp, where a fused
// multiply-subtract gives them directly; and the choice between them, made
// once from what the processor has.
#include "density_fast_path.h"

#include "density_block.h"

namespace density_fast_path {

void TryDensitiesTwoLanes(const double* x, double* density, std::int64_t* decided, int count) {
  for (int i = 0; i < count; i += 2) Block<2, Products::kDekker>(x + i, density + i, decided + i);
}

bool FlagSumsTwoLanes(const double* chain, const double* addends, std::int64_t* flags, int count) {
  return FlagSums<2>(chain, addends, flags, count);
}

bool HasFourLanes() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

void TryDensities(const double* x, double* density, std::int64_t* decided, int count) {
  static const bool four_lanes = HasFourLanes();
  if (four_lanes) {
    TryDensitiesFourLanes(x, density, decided, count);
  } else {
    TryDensitiesTwoLanes(x, density, decided, count);
  }
}

bool FlagUndecidedSums(const double* chain, const double* addends, std::int64_t* flags, int count) {
  static const bool four_lanes = HasFourLanes();
  return four_lanes ? FlagSumsFourLanes(chain, addends, flags, count)
                    : FlagSumsTwoLanes(chain, addends, flags, count);
}

}  // namespace density_fast_path
