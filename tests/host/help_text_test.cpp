#include "about/help_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace kestrel {
namespace {

// Items are numbered from 1, as a reader counts the lines of the list.
std::string_view Item(std::size_t number) { return HelpItems().at(number - 1); }

constexpr std::size_t kSeparators[] = {4, 9, 11, 16, 22, 29, 35};
constexpr std::size_t kIndented[] = {3, 6, 7, 8, 13, 14, 15, 18, 19, 20, 21};

bool Contains(const std::size_t* first, const std::size_t* last, std::size_t number) {
    return std::find(first, last, number) != last;
}

// The source tree's root, found from this file's own path (the build passes absolute paths).
std::string SourceRoot() {
    std::string path = __FILE__;
    std::replace(path.begin(), path.end(), '\\', '/');
    const std::size_t at = path.rfind("tests/host/");
    return at == std::string::npos ? std::string("./") : path.substr(0, at);
}

TEST(HelpItems, EveryLineHasTextAndNothingTrails) {
    for (std::size_t n = 1; n <= kHelpItemCount; ++n) {
        SCOPED_TRACE(n);
        const std::string_view item = Item(n);
        ASSERT_FALSE(item.empty()) << "a missing line leaves an empty item at the end";
        EXPECT_TRUE(item == kHelpSeparator || item.back() != ' ') << "trailing blank";
        for (char c : item) {
            EXPECT_TRUE(c >= 0x20 && c < 0x7f) << "plain printable ASCII only, got code " << static_cast<int>(c);
        }
    }
}

TEST(HelpItems, SeparatorsAreOneBlankAndOnlyWhereExpected) {
    for (std::size_t n = 1; n <= kHelpItemCount; ++n) {
        SCOPED_TRACE(n);
        const bool separator = Contains(std::begin(kSeparators), std::end(kSeparators), n);
        EXPECT_EQ(Item(n) == kHelpSeparator, separator);
        if (!separator) {
            EXPECT_NE(Item(n).find_first_not_of(' '), std::string_view::npos) << "blank-only line";
        }
    }
}

TEST(HelpItems, IndentedLinesKeepExactlyThreeBlanks) {
    for (std::size_t n = 1; n <= kHelpItemCount; ++n) {
        if (Contains(std::begin(kSeparators), std::end(kSeparators), n)) continue;
        SCOPED_TRACE(n);
        const std::size_t leading = Item(n).find_first_not_of(' ');
        const bool indented = Contains(std::begin(kIndented), std::end(kIndented), n);
        EXPECT_EQ(leading, indented ? kHelpIndent.size() : 0u);
    }
}

struct Heading {
    std::size_t number;
    std::string_view text;
};

TEST(HelpItems, HeadingsStandWhereTheSectionsBegin) {
    const Heading headings[] = {
        {1, "INSTRUCTIONS"},
        {17, "Minimize Button (New in version 0.4.0)"},
        {23, "SYSTEM REQUIREMENTS"},
        {30, "COPYRIGHT"},
        {36, "AUTHOR"},
    };
    for (const Heading& heading : headings) {
        SCOPED_TRACE(heading.number);
        EXPECT_EQ(Item(heading.number), heading.text);
    }
    // COPYRIGHT and AUTHOR have four lines of text each, and the list ends with the last of them.
    for (std::size_t n : {31u, 32u, 33u, 34u, 37u, 38u, 39u, 40u}) {
        SCOPED_TRACE(n);
        EXPECT_NE(Item(n), kHelpSeparator);
    }
}

TEST(HelpItems, CopyrightNoticeAgreesWithTheLicenceFile) {
    std::ifstream file(SourceRoot() + "LICENSE");
    ASSERT_TRUE(file) << "LICENSE not found beside the sources";
    std::string firstLine;
    std::getline(file, firstLine);
    std::string copyrightLine;
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("Copyright (c)", 0) == 0) {
            copyrightLine = line;
            break;
        }
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
