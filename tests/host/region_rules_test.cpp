#include "capture/region_rules.h"

#include <gtest/gtest.h>

#include <ostream>

namespace kestrel {

std::ostream& operator<<(std::ostream& out, const PixelRect& r) {
    return out << "{" << r.left << "," << r.top << " - " << r.right << "," << r.bottom << "}";
}

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

TEST(DragRect, EitherDirectionRightAndBottomExclusiveClampedToTheScreen) {
    struct Case {
        const char* name;
        PixelPoint press;
        PixelPoint release;
        PixelRect expected;
        bool empty;
    };
    const Case cases[] = {
        {"150 right and 90 down", {100, 200}, {250, 290}, {100, 200, 250, 290}, false},
        {"the same drag backwards", {250, 290}, {100, 200}, {100, 200, 250, 290}, false},
        {"up and to the right", {100, 290}, {250, 200}, {100, 200, 250, 290}, false},
        {"one pixel", {5, 5}, {6, 6}, {5, 5, 6, 6}, false},
        {"no movement", {300, 300}, {300, 300}, {300, 300, 300, 300}, true},
        {"along one axis only", {10, 10}, {200, 10}, {10, 10, 200, 10}, true},
        {"past the right and bottom edges", {1000, 700}, {1500, 900}, {1000, 700, 1024, 768}, false},
        {"past the left and top edges", {20, 30}, {-40, -50}, {0, 0, 20, 30}, false},
        {"the whole screen, corner to corner", {0, 0}, {1024, 768}, {0, 0, 1024, 768}, false},
        {"entirely beyond the edge", {-10, -10}, {-300, 50}, {0, 0, 0, 50}, true},
    };
    for (const Case& c : cases) {
        const PixelRect r = DragRect(c.press, c.release, kWidth, kHeight);
        EXPECT_EQ(r, c.expected) << c.name;
        EXPECT_EQ(r.Empty(), c.empty) << c.name;
    }
    EXPECT_EQ(DragRect({100, 200}, {250, 290}, kWidth, kHeight).Width(), 150);
    EXPECT_EQ(DragRect({100, 200}, {250, 290}, kWidth, kHeight).Height(), 90);
}

TEST(SelectionSizeText, WidthTimesHeightInPixels) {
    EXPECT_EQ(SelectionSizeText(PixelRect{100, 200, 250, 290}), L"150 \u00D7 90");
    EXPECT_EQ(SelectionSizeText(PixelRect{0, 0, 3840, 2160}), L"3840 \u00D7 2160");
    EXPECT_EQ(SelectionSizeText(PixelRect{7, 7, 7, 7}), L"0 \u00D7 0");
}

TEST(LabelPlace, BelowThenAboveThenInsideAndAlwaysOnTheScreen) {
    struct Case {
        const char* name;
        PixelRect selection;
        PixelRect expected;
    };
    // A label of 80 x 20 pixels.
    const Case cases[] = {
        {"below, right-aligned", {100, 100, 300, 200}, {220, 204, 300, 224}},
        {"no room below: above", {100, 700, 300, 760}, {220, 676, 300, 696}},
        {"room neither below nor above: inside", {100, 10, 300, 760}, {220, 736, 300, 756}},
        {"a narrow selection at the left edge", {0, 100, 30, 200}, {0, 204, 80, 224}},
        {"the whole screen", {0, 0, 1024, 768}, {944, 744, 1024, 764}},
    };
    for (const Case& c : cases) {
        const PixelRect label = LabelPlace(c.selection, 80, 20, kWidth, kHeight);
        EXPECT_EQ(label, c.expected) << c.name;
        EXPECT_GE(label.left, 0) << c.name;
        EXPECT_GE(label.top, 0) << c.name;
        EXPECT_LE(label.right, kWidth) << c.name;
        EXPECT_LE(label.bottom, kHeight) << c.name;
    }
}

}  // namespace
}  // namespace kestrel
