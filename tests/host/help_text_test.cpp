#include "about/help_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace kestrel {
namespace {

// Items are numbered from 1, as a reader counts the lines of the list.
std::string_view Item(std::size_t number) { return HelpItems().at(number - 1); }

template <std::size_t N>
bool Lists(const std::size_t (&numbers)[N], std::size_t number) {
    return std::find(numbers, numbers + N, number) != numbers + N;
}
constexpr std::size_t kSeparators[] = {4, 9, 11, 16, 22, 29, 35};
constexpr std::size_t kIndented[] = {3, 6, 7, 8, 13, 14, 15, 18, 19, 20, 21};

TEST(HelpItems, EveryLineHasTextAndNothingTrails) {
    for (std::size_t n = 1; n <= kHelpItemCount; ++n) {
        SCOPED_TRACE(n);
        const std::string_view item = Item(n);
        ASSERT_FALSE(item.empty()) << "a missing line leaves an empty item at the end";
        EXPECT_TRUE(item == kHelpSeparator || item.back() != ' ') << "trailing blank";
        EXPECT_TRUE(std::all_of(item.begin(), item.end(), [](char c) { return c >= 0x20 && c < 0x7f; }))
            << "plain printable ASCII only";
    }
}

TEST(HelpItems, SeparatorsAreOneBlankAndOnlyWhereExpected) {
    for (std::size_t n = 1; n <= kHelpItemCount; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Item(n) == kHelpSeparator, Lists(kSeparators, n));
        EXPECT_EQ(Item(n).find_first_not_of(' ') == std::string_view::npos, Lists(kSeparators, n));
    }
}

TEST(HelpItems, IndentedLinesKeepExactlyThreeBlanks) {
    for (std::size_t n = 1; n <= kHelpItemCount; ++n) {
        SCOPED_TRACE(n);
        if (Lists(kSeparators, n)) continue;
        EXPECT_EQ(Item(n).find_first_not_of(' '), Lists(kIndented, n) ? kHelpIndent.size() : 0u);
    }
}

TEST(HelpItems, HeadingsStandWhereTheSectionsBegin) {
    EXPECT_EQ(Item(1), "INSTRUCTIONS");
    EXPECT_EQ(Item(17), "Minimize Button (New in version 0.4.0)");
    EXPECT_EQ(Item(23), "SYSTEM REQUIREMENTS");
    EXPECT_EQ(Item(30), "COPYRIGHT");
    EXPECT_EQ(Item(36), "AUTHOR");
    // COPYRIGHT and AUTHOR have four lines of text each, and the list ends with the last of them.
    for (std::size_t n : {31u, 32u, 33u, 34u, 37u, 38u, 39u, 40u}) EXPECT_NE(Item(n), kHelpSeparator) << n;
}

TEST(HelpItems, CopyrightNoticeAgreesWithTheLicenceFile) {
    // The source tree's root, from this file's own path (the build passes absolute paths).
    std::string root = __FILE__;
    std::replace(root.begin(), root.end(), '\\', '/');
    std::ifstream file(root.substr(0, root.rfind("tests/host/")) + "LICENSE");
    ASSERT_TRUE(file) << "LICENSE not found beside the sources";
    std::string firstLine, copyrightLine;
    std::getline(file, firstLine);
    while (std::getline(file, copyrightLine) && copyrightLine.rfind("Copyright (c)", 0) != 0) {
    }
    EXPECT_EQ(firstLine, "MIT License");
    EXPECT_EQ(Item(31), copyrightLine) << "the first COPYRIGHT line is the licence's copyright line";

    std::string notice;
    for (std::size_t n = 31; n <= 34; ++n) notice += std::string(Item(n)) + " ";
    EXPECT_NE(notice.find("MIT License"), std::string::npos) << notice;
    EXPECT_NE(notice.find("LICENSE"), std::string::npos) << "the notice points to the full terms";
}

}  // namespace
}  // namespace kestrel
