// What a screen reader reads of the bar, through the system's accessibility
// library as it would ask, and what it hears when the switch or the label
// changes.
#include "bar_fixture.h"

#include "app/Credits.h"
#include "support/Accessibility.h"

using namespace bar_testing;
using testing_support::Accessible;
using testing_support::HasState;
using testing_support::WinEvents;

TEST_F(BarTest, ScreenReadersReadEveryControlWithItsStateAndHearTheSwitchAndTheLabelChange)
{
    testing_support::ComApartment apartment;
    Start();
    WinEvents events;
    ASSERT_TRUE(events.Hooked());
    const struct {
        ui::SpeedButton* button;
        const wchar_t* name;
    } buttons[] = {{&bar->butMenu, L"Main menu - general options"},
                   {&bar->butText, L"View text clips"},
                   {&bar->butBmp, L"View bitmap clips"},
                   {&bar->butSaved, L"View saved clips"},
                   {&bar->butHelp, L"Help & tips"}};

    // Hidden, as the bar is until the splash hands over.
    EXPECT_TRUE(HasState(Accessible(bar->butText.Handle()).State(), STATE_SYSTEM_INVISIBLE));
    bar->Show();
    for (const auto& b : buttons) {
        const auto button = Accessible(b.button->Handle());
        ASSERT_TRUE(button) << b.name;
        EXPECT_EQ(button.Name(), b.name);
        EXPECT_EQ(button.Role(), ROLE_SYSTEM_PUSHBUTTON) << b.name;
        EXPECT_EQ(button.State(), 0) << b.name;
        EXPECT_EQ(button.ChildCount(), 0) << b.name;
    }
    // Pressed while the mouse holds it down.
    SendMessageA(bar->butText.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_TRUE(HasState(Accessible(bar->butText.Handle()).State(), STATE_SYSTEM_PRESSED));
    ReleaseCapture();

    // The switch: one check button, whichever picture shows.
    const auto on = Accessible(bar->imOn.Handle());
    const auto off = Accessible(bar->imOff.Handle());
    for (const auto* picture : {&on, &off}) {
        EXPECT_EQ(picture->Name(), L"Clipboard monitor");
        EXPECT_EQ(picture->Role(), ROLE_SYSTEM_CHECKBUTTON);
    }
    EXPECT_EQ(on.State(), STATE_SYSTEM_CHECKED);
    EXPECT_TRUE(HasState(off.State(), STATE_SYSTEM_INVISIBLE));
    Click(bar->imOn.Handle());
    ASSERT_FALSE(bar->MonitorOn());
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_STATECHANGE, bar->imOff.Handle()));
    EXPECT_EQ(off.State(), 0) << "shown, and not checked";
    EXPECT_TRUE(HasState(on.State(), STATE_SYSTEM_INVISIBLE));
    Click(bar->imOff.Handle());
    ASSERT_TRUE(bar->MonitorOn());
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_STATECHANGE, bar->imOn.Handle()));
    EXPECT_EQ(on.State(), STATE_SYSTEM_CHECKED);

    // The label reads as its text, and says when it changes.
    const auto label = Accessible(bar->Label1.Handle());
    EXPECT_EQ(label.Role(), ROLE_SYSTEM_STATICTEXT);
    EXPECT_EQ(label.Name(), L"(c) 2026 orv Software");
    Click(bar->Label1.Handle());
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_NAMECHANGE, bar->Label1.Handle()));
    EXPECT_EQ(label.Name(), L"www.orv-software.example");

    // Asked directly: the same object for the client, nothing of ours for
    // any other part of the window.
    const LRESULT answer = SendMessageA(bar->butBmp.Handle(), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
    ASSERT_GT(answer, 0);
    IAccessible* direct = nullptr;
    ASSERT_EQ(ObjectFromLresult(answer, __uuidof(IAccessible), 0, reinterpret_cast<void**>(&direct)), S_OK);
    EXPECT_EQ(testing_support::Accessible(direct).Name(), L"View bitmap clips");
    EXPECT_EQ(SendMessageA(bar->butBmp.Handle(), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_WINDOW)), 0);

    // An object a screen reader still holds outlives the window: it answers
    // that it is cut off, and touches nothing that has gone.
    Release();
    BSTR name = nullptr;
    VARIANT self{};
    self.vt = VT_I4;
    EXPECT_EQ(on->get_accName(self, &name), RPC_E_DISCONNECTED);
    EXPECT_EQ(name, nullptr);
}
