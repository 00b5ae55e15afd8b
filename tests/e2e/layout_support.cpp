#include "tests/e2e/layout_support.h"

namespace kestrel::e2e {

void ExpectFixedWindow(HWND window, const wchar_t* title, int clientWidth, int clientHeight, HWND owner) {
    EXPECT_EQ(WindowText(window), title);
    RECT client{};
    ::GetClientRect(window, &client);
    ExpectBoxNear({0, 0, ToTwips(client.right), ToTwips(client.bottom)}, {0, 0, clientWidth, clientHeight});
    const LONG_PTR frame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(::GetWindowLongPtrW(window, GWL_STYLE) & frame, WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(::GetWindow(window, GW_OWNER), owner);
    const RECT w = WindowRect(window);
    const RECT o =
        owner ? WindowRect(owner) : RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_NEAR((w.left + w.right) / 2, (o.left + o.right) / 2, 2) << "centred";
    EXPECT_NEAR((w.top + w.bottom) / 2, (o.top + o.bottom) / 2, 2) << "centred";
}

void ExpectControls(HWND window, const std::vector<ControlLayout>& controls) {
    for (const ControlLayout& expected : controls) {
        SCOPED_TRACE(::testing::Message() << "control " << expected.id);
        HWND control = Child(window, expected.id);
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(::IsWindowVisible(control));
        if (expected.windowClass) EXPECT_EQ(ClassName(control), expected.windowClass);
        if (expected.text) EXPECT_EQ(WindowText(control), expected.text);
        ExpectBoxNear(InDialog(window, control), expected.box);
    }
}

}  // namespace kestrel::e2e
