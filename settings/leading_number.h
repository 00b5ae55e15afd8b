// The leading-number rule: how the program reads a number out of a text such
// as the Percent setting, the way the classic toolkit's Val did.
//
// The settings are free text (the Options dialog keeps whatever the user typed
// and the registry may hold anything), so reading a number must never fail:
// text without a number is 0, and text after the number is ignored.
#pragma once

#include <string_view>

namespace kestrel {

// Reads the number that `text` begins with.
//
// - Blanks, tabs and line feeds are skipped wherever they appear, also inside
//   the number ("1 2" reads as 12), because Val stripped them all before
//   reading and stored settings were written with Val-compatible tools.
// - Decimal: optional sign, digits with at most one full stop, optional
//   exponent (E or D, either case, optional sign, digits). Reading stops at
//   the first character that does not fit: "50abc" -> 50, "1.5.3" -> 1.5,
//   "1D2" -> 100.
// - "&H" / "&O" (letter in either case) right at the start introduce a
//   hexadecimal / octal whole number. Like Val, a value up to 0xFFFF is a
//   16-bit number (so "&HFFFF" -> -1) and one up to 0xFFFFFFFF a 32-bit
//   number ("&HFFFFFFFF" -> -1, "&H10000" -> 65536). Longer numbers keep
//   their low 32 bits, read as a signed 32-bit number; Val raised an overflow
//   there, but reading a setting must not fail. A bare "&17" is not read as
//   octal: it gives 0.
// - No number at all gives 0; a zero result is always +0.
// - A magnitude beyond double range gives +/-infinity (Val raised an overflow
//   error); one below the smallest subnormal gives 0. The result is never NaN.
//
// The decimal point is always the full stop, whatever the user's regional
// settings, because the settings are stored that way.
double LeadingNumber(std::string_view text) noexcept;

// Rounds to single precision as the toolkit's single-precision variables do.
// Plain static_cast is undefined behaviour for doubles outside float range, so
// values there go to +/-infinity when IEEE round-to-nearest would round them
// there, and to +/-FLT_MAX otherwise. NaN stays NaN.
float ToSingle(double value) noexcept;

}  // namespace kestrel
