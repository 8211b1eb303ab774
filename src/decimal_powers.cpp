#include "decimal_powers.h"

namespace {

// The nearest extended values of 10^0..10^31, 10^(32 k) and 10^(512 k),
// computed exactly by tools/gen_tables.py. Up to 10^27 they are exact.
// clang-format off
constexpr long double kPowers[] = {
// BEGIN GENERATED powers (tools/gen_tables.py)
// 10^0 .. 10^31
    0x8000000000000000p-63L,
    0xA000000000000000p-60L,
    0xC800000000000000p-57L,
    0xFA00000000000000p-54L,
    0x9C40000000000000p-50L,
    0xC350000000000000p-47L,
    0xF424000000000000p-44L,
    0x9896800000000000p-40L,
    0xBEBC200000000000p-37L,
    0xEE6B280000000000p-34L,
    0x9502F90000000000p-30L,
    0xBA43B74000000000p-27L,
    0xE8D4A51000000000p-24L,
    0x9184E72A00000000p-20L,
    0xB5E620F480000000p-17L,
    0xE35FA931A0000000p-14L,
    0x8E1BC9BF04000000p-10L,
    0xB1A2BC2EC5000000p-7L,
    0xDE0B6B3A76400000p-4L,
    0x8AC7230489E80000p0L,
    0xAD78EBC5AC620000p3L,
    0xD8D726B7177A8000p6L,
    0x878678326EAC9000p10L,
    0xA968163F0A57B400p13L,
    0xD3C21BCECCEDA100p16L,
    0x84595161401484A0p20L,
    0xA56FA5B99019A5C8p23L,
    0xCECB8F27F4200F3Ap26L,
    0x813F3978F8940984p30L,
    0xA18F07D736B90BE5p33L,
    0xC9F2C9CD04674EDFp36L,
    0xFC6F7C4045812296p39L,
// 10^(32 k), k = 0 .. 15
    0x8000000000000000p-63L,
    0x9DC5ADA82B70B59Ep43L,
    0xC2781F49FFCFA6D5p149L,
    0xEFB3AB16C59B14A3p255L,
    0x93BA47C980E98CE0p362L,
    0xB616A12B7FE617AAp468L,
    0xE070F78D3927556Bp574L,
    0x8A5296FFE33CC930p681L,
    0xAA7EEBFB9DF9DE8Ep787L,
    0xD226FC195C6A2F8Cp893L,
    0x81842F29F2CCE376p1000L,
    0x9FA42700DB900AD2p1106L,
    0xC4C5E310AEF8AA17p1212L,
    0xF28A9C07E9B09C59p1318L,
    0x957A4AE1EBF7F3D4p1425L,
    0xB83ED8DC0795A262p1531L,
// 10^(512 k), k = 0 .. 9
    0x8000000000000000p-63L,
    0xE319A0AEA60E91C7p1637L,
    0xC976758681750C17p3338L,
    0xB2B8353B3993A7E4p5039L,
    0x9E8B3B5DC53D5DE5p6740L,
    0x8CA554C020A1F0A6p8441L,
    0xF9895D25D88B5A8Bp10141L,
    0xDD5DC8A2BF27F3F8p11842L,
    0xC46052028A20979Bp13543L,
    0xAE3511626ED559F0p15244L,
// END GENERATED powers
};
// clang-format on

constexpr const long double* kSmall = kPowers;        // 10^n, n < 32
constexpr const long double* kMedium = kPowers + 32;  // 10^(32 k), k < 16
constexpr const long double* kLarge = kPowers + 48;   // 10^(512 k), k < 10
static_assert(sizeof kPowers / sizeof kPowers[0] == 32 + 16 + 10);

}  // namespace

long double SmallPowerOfTen(int n) {
  return kSmall[n];
}

long double MultiplyByPowerOfTen(long double value, int n) {
  value *= kSmall[n % 32];
  if (int medium = (n / 32) % 16; medium != 0) value *= kMedium[medium];
  if (int large = n / 512; large != 0) value *= kLarge[large];
  return value;
}

long double DivideByPowerOfTen(long double value, int n) {
  value /= kSmall[n % 32];
  if (int medium = (n / 32) % 16; medium != 0) value /= kMedium[medium];
  if (int large = n / 512; large != 0) value /= kLarge[large];
  return value;
}
