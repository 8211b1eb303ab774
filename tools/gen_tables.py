#!/usr/bin/env python3
"""Produces the constant tables of the program with exact rational arithmetic.

Each table sits in a source file between the lines
    // BEGIN GENERATED <name> (tools/gen_tables.py)
    // END GENERATED <name>
Run without arguments to rewrite those blocks in place; run with --check to
fail (exit 1) when a block differs from what this script computes.
"""
import re
import sys
from decimal import Decimal, getcontext
from fractions import Fraction
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def extended_parts(x: Fraction):
    """Nearest x87 extended value (64-bit significand, ties to even) of x > 0,
    as (significand, binary exponent) with significand in [2^63, 2^64)."""
    assert x > 0
    e = x.numerator.bit_length() - x.denominator.bit_length() - 64
    while x / Fraction(2) ** e >= 2**64:
        e += 1
    while x / Fraction(2) ** e < 2**63:
        e -= 1
    scaled = x / Fraction(2) ** e
    m = scaled.numerator // scaled.denominator
    rest = scaled - m
    if rest > Fraction(1, 2) or (rest == Fraction(1, 2) and m % 2 == 1):
        m += 1
    if m == 2**64:
        m, e = 2**63, e + 1
    return m, e


def extended_literal(x: Fraction) -> str:
    if x == 0:
        return "0.0L"
    sign = "-" if x < 0 else ""
    m, e = extended_parts(abs(x))
    return f"{sign}0x{m:016X}p{e}L"


def extended_value(x: Fraction) -> Fraction:
    if x == 0:
        return Fraction(0)
    m, e = extended_parts(abs(x))
    v = m * Fraction(2) ** e
    return v if x > 0 else -v


def powers_of_ten():
    lines = ["// 10^0 .. 10^31"]
    lines += [f"    {extended_literal(Fraction(10) ** n)}," for n in range(32)]
    lines.append("// 10^(32 k), k = 0 .. 15")
    lines += [f"    {extended_literal(Fraction(10) ** (32 * k))}," for k in range(16)]
    lines.append("// 10^(512 k), k = 0 .. 9")
    lines += [f"    {extended_literal(Fraction(10) ** (512 * k))}," for k in range(10)]
    return lines


def exp2_fractions():
    """2^(j/32) for j = 0 .. 31 as a pair (high, low) of extended values whose
    sum carries about 128 bits."""
    getcontext().prec = 80
    lines = []
    for j in range(32):
        exact = Fraction(Decimal(2) ** (Decimal(j) / Decimal(32)))
        high = extended_value(exact)
        low = exact - high
        lines.append(f"    {{{extended_literal(high)}, {extended_literal(Fraction(extended_value(low)))}}},")
    return lines


def ln2_over_32():
    """ln 2 / 32 split in a 40-bit head, so that k times it is exact for
    |k| < 2^24, and an extended tail."""
    getcontext().prec = 80
    exact = Fraction(Decimal(2).ln()) / 32
    m, e = extended_parts(exact)
    head = Fraction(m >> 24 << 24) * Fraction(2) ** e
    tail = exact - head
    inv = Fraction(32) / Fraction(Decimal(2).ln())
    return [
        f"constexpr long double kThirtyTwoOverLn2 = {extended_literal(inv)};",
        f"constexpr long double kLn2Over32Head = {extended_literal(head)};",
        f"constexpr long double kLn2Over32Tail = {extended_literal(tail)};",
    ]


def two_pi_literal():
    # The scale's constant is the decimal 6.283185307179586477 held as an
    # extended value.
    return [f"constexpr long double kTwoPi = {extended_literal(Fraction('6.283185307179586477'))};"]


def density_table():
    """Double-double 2^(j/32) / s, j = 0 .. 31, where s is the extended square
    root of the extended 2 pi, with the high part split in two 26-bit halves
    for exact products; and ln 2 / 32 in two doubles, the head short enough
    that k times it is exact for |k| < 2^15."""
    getcontext().prec = 80
    two_pi = extended_value(Fraction("6.283185307179586477"))
    root = extended_value(Fraction((Decimal(two_pi.numerator) / Decimal(two_pi.denominator)).sqrt()))
    lines = []
    for j in range(32):
        exact = Fraction(Decimal(2) ** (Decimal(j) / Decimal(32))) / root
        high = float(exact)
        low = float(exact - Fraction(high))
        c = 134217729.0 * high
        head = c - (c - high)
        tail = high - head
        lines.append(f"    {{{high.hex()}, {low.hex()}, {head.hex()}, {tail.hex()}}},")
    ln2_32 = Fraction(Decimal(2).ln()) / 32
    m, e = extended_parts(ln2_32)
    head = Fraction(m >> 26 << 26) * Fraction(2) ** e  # 38 significant bits
    lines.append("};")
    lines.append(f"inline constexpr double kLn2Over32Head = {float(head).hex()};")
    lines.append(f"inline constexpr double kLn2Over32Tail = {float(ln2_32 - head).hex()};")
    lines.append(f"inline constexpr double kThirtyTwoOverLn2 = {float(1 / ln2_32).hex()};")
    return lines


def sjis_escape(text: str) -> str:
    out = []
    for b in text.encode("cp932"):
        out.append(chr(b) if 0x20 <= b < 0x7F and chr(b) not in '"\\?' else f"\\x{b:02X}")
    # Keep a hex escape from swallowing a following hex digit.
    s = ""
    for i, piece in enumerate(out):
        if i and out[i - 1].startswith("\\x") and not piece.startswith("\\x") and piece in "0123456789abcdefABCDEF":
            s += '" "'
        s += piece
    return s


def sjis_texts(path: Path):
    """Every line  {u8"readable", "..."},  in the texts block gets its bytes
    from the readable text."""
    src = path.read_text(encoding="utf-8")
    block = re.search(r"// BEGIN GENERATED texts.*?\n(.*?)// END GENERATED texts", src, re.S).group(1)
    lines = []
    for line in block.splitlines():
        m = re.match(r'(\s*\{\s*[\w:]+,\s*u8)"((?:[^"\\]|\\.)*)"(,\s*)"(?:[^"\\]|\\.)*(?:"\s*"(?:[^"\\]|\\.)*)*"(\},.*)$', line)
        if not m:
            lines.append(line)
            continue
        readable = m.group(2).encode().decode("unicode_escape").encode("latin-1").decode("utf-8")
        lines.append(f'{m.group(1)}"{m.group(2)}"{m.group(3)}"{sjis_escape(readable)}"{m.group(4)}')
    return lines


BLOCKS = {
    "powers": ("src/decimal_powers.cpp", lambda p: powers_of_ten()),
    "exp2": ("src/extended_exp.cpp", lambda p: exp2_fractions()),
    "ln2": ("src/extended_exp.cpp", lambda p: ln2_over_32()),
    "two_pi": ("src/score_conversion.cpp", lambda p: two_pi_literal()),
    "density": ("src/density_fast_path.h", lambda p: density_table()),
    "texts": ("src/texts.cpp", sjis_texts),
}


def main(argv):
    check = "--check" in argv
    failed = False
    for name, (rel, make) in BLOCKS.items():
        path = ROOT / rel
        src = path.read_text(encoding="utf-8")
        pattern = re.compile(
            rf"(// BEGIN GENERATED {name} \(tools/gen_tables.py\)\n)(.*?)(// END GENERATED {name})", re.S)
        m = pattern.search(src)
        if not m:
            print(f"{rel}: no block {name}")
            failed = True
            continue
        wanted = "".join(line + "\n" for line in make(path))
        if m.group(2) != wanted:
            if check:
                print(f"{rel}: block {name} differs from the computed table")
                failed = True
            else:
                path.write_text(src[: m.start(2)] + wanted + src[m.end(2):], encoding="utf-8")
                print(f"{rel}: block {name} rewritten")
    if check:
        print("tables: " + ("MISMATCH" if failed else "all blocks match"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
