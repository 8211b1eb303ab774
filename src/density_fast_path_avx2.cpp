// The fast road and the running-sum check in four AVX2 lanes, with fused
// exact products. This file alone
// is compiled with -mavx2 -mfma; it runs only where the processor has both.
#include "density_block.h"

namespace density_fast_path {

void TryDensitiesFourLanes(const double* x, double* density, std::int64_t* decided, int count) {
  for (int i = 0; i < count; i += 4) Block<4, Products::kFused>(x + i, density + i, decided + i);
}

bool FlagSumsFourLanes(const double* chain, const double* addends, std::int64_t* flags, int count) {
  return FlagSums<4>(chain, addends, flags, count);
}

}  // namespace density_fast_path
