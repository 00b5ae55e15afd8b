// The help text of the About window: one entry per line of its list box, in the order shown.
//
// Plain data without <windows.h>, so that its shape (the count, the one-blank separators, the
// three-blank indents, the notice that has to agree with LICENSE) is checked on any host.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace kestrel {

inline constexpr std::size_t kHelpItemCount = 40;

// A separator line is one blank rather than empty: an empty list item is easy to lose when the
// text is copied or filtered, a blank is kept.
inline constexpr std::string_view kHelpSeparator = " ";

// Lines continuing a numbered step or a paragraph under a heading start with these three blanks.
inline constexpr std::string_view kHelpIndent = "   ";

// The list items, first to last.
const std::array<std::string_view, kHelpItemCount>& HelpItems() noexcept;

}  // namespace kestrel
