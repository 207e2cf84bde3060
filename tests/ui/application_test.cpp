// The window kit: the error boundary of every window procedure, the order in
// which forms are created and destroyed, and the application-modal boxes.
#include "ui/Application.h"
#include "ui/Errors.h"
#include "ui/Form.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Box {
    std::string text, caption;
    UINT flags;
};

class BoxRecorder {
public:
    BoxRecorder()
    {
        saved_ = ui::App.Box;
        ui::App.Box = [this](const std::string& t, const std::string& c, UINT f) {
            boxes.push_back({t, c, f});
            return IDOK;
        };
    }
    ~BoxRecorder() { ui::App.Box = saved_; }
    std::vector<Box> boxes;

private:
    ui::Application::BoxHandler saved_;
};

std::vector<std::string> events;

class TestForm : public ui::Form {
public:
    explicit TestForm(std::string name, bool failCreate = false) : name_(std::move(name)), failCreate_(failCreate) {}
    void Create()
    {
        CreateForm({"TidemarkTestForm", WS_OVERLAPPEDWINDOW, 0, 10, 10, 200, 100, false, name_.c_str(), 0});
    }
    static constexpr UINT WM_THROW = WM_APP + 100;

protected:
    void FormCreate() override
    {
        events.push_back("create " + name_);
        if (failCreate_)
            throw ui::AppError("Set-up failed");
    }
    void FormDestroy() override { events.push_back("destroy " + name_); }
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override
    {
        if (msg == WM_THROW)
            throw ui::AppError("Cannot create file C:\\x.txt");
        if (msg == WM_THROW + 1)
            throw 42;
        return Form::HandleMessage(msg, w, l);
    }

private:
    std::string name_;
    bool failCreate_;
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        events.clear();
        ui::App.ResetForTests();
        ui::App.Title = "orv Tidemark";
    }
    void TearDown() override
    {
        ui::App.DestroyForms();
        ui::App.ResetForTests();
    }
};

// What the windows look like while a note box shows, seen from a timer inside its loop.
struct BoxProbe {
    HWND a, b;
    bool aEnabled = true, bEnabled = true, seen = false, topmost = false, aboveB = false;
    RECT owner{};
} probe;

VOID CALLBACK ProbeNoteBox(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = FindWindowA("#32770", "Nothing to do");
    if (!box || probe.seen)
        return;
    KillTimer(nullptr, id);
    probe.seen = true;
    probe.aEnabled = IsWindowEnabled(probe.a) != FALSE;
    probe.bEnabled = IsWindowEnabled(probe.b) != FALSE;
    probe.topmost = (GetWindowLongPtrA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    probe.aboveB = testing_support::Above(box, probe.b);
    GetWindowRect(GetWindow(box, GW_OWNER), &probe.owner);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

} // namespace

TEST_F(ApplicationTest, ErrorInAHandlerIsShownWithTitleAndIconAndTheProgramGoesOn)
{
    BoxRecorder boxes;
    TestForm form("a");
    form.Create();

    SendMessageA(form.Handle(), TestForm::WM_THROW, 0, 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Cannot create file C:\\x.txt.");
    EXPECT_EQ(boxes.boxes[0].caption, "orv Tidemark");
    EXPECT_EQ(boxes.boxes[0].flags, UINT(MB_OK | MB_ICONERROR));

    // Not only our own error type stops at the boundary.
    SendMessageA(form.Handle(), TestForm::WM_THROW + 1, 0, 0);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].caption, "orv Tidemark");

    // The window is still alive and answering.
    EXPECT_TRUE(IsWindow(form.Handle()));
    EXPECT_EQ(SendMessageA(form.Handle(), WM_GETTEXTLENGTH, 0, 0), 1);
}

TEST_F(ApplicationTest, FormsAreCreatedHiddenInOrderAndDestroyedInReverse)
{
    BoxRecorder boxes;
    TestForm first("first"), second("second", true), third("third");
    first.Create();
    second.Create();  // its set-up fails: reported, and the window still exists
    third.Create();

    ASSERT_EQ(ui::App.Forms().size(), 3u);
    EXPECT_EQ(ui::App.MainForm(), &first);
    EXPECT_TRUE(IsWindow(second.Handle()));
    for (ui::Form* f : ui::App.Forms())
        EXPECT_FALSE(f->Visible());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Set-up failed.");

    ui::App.DestroyForms();
    EXPECT_EQ(events, (std::vector<std::string>{"create first", "create second", "create third", "destroy third",
                                                 "destroy second", "destroy first"}));
    EXPECT_EQ(first.Handle(), nullptr);
}

TEST_F(ApplicationTest, ClosingTheMainFormEndsTheLoopAndOtherFormsOnlyHide)
{
    TestForm main("main"), other("other");
    main.Create();
    other.Create();
    other.Show();
    other.Close();
    EXPECT_FALSE(other.Visible());
    EXPECT_TRUE(IsWindow(other.Handle()));

    main.Close();
    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        quit = quit || msg.message == WM_QUIT;
    EXPECT_TRUE(quit);
}

TEST_F(ApplicationTest, ActivatingTheTaskbarWindowHandsOnToTheFormInFront)
{
    TestForm back("back"), front("front"), hidden("hidden");
    back.Create();
    front.Create();
    hidden.Create();
    back.Show();
    front.Show();
    ui::App.ShowTaskbarButton();
    // What a click on the taskbar button does while the program is not in
    // front: the faceless window is activated.
    SetActiveWindow(ui::App.Handle());
    testing_support::PumpMessages(0);
    EXPECT_EQ(GetActiveWindow(), front.Handle());
    ShowWindow(ui::App.Handle(), SW_HIDE);
}

TEST_F(ApplicationTest, AnErrorKeptForLaterShowsOnceTheLoopGetsThereAndNoneStacksOnIt)
{
    std::vector<std::string> shown;
    const ui::Application::BoxHandler saved = ui::App.Box;
    ui::App.Box = [&](const std::string& text, const std::string&, UINT) {
        shown.push_back(text);
        // Failures while this box is up, and its own loop running.
        ui::App.ShowExceptionLater(std::make_exception_ptr(ui::AppError("Second")));
        testing_support::PumpMessages(0);
        return IDOK;
    };
    // Only the error whose box showed counts as seen.
    std::vector<std::string> seen;
    const auto told = [&](const char* text) {
        ui::AppError error(text);
        error.OnSeen([&seen, text] { seen.push_back(text); });
        return std::make_exception_ptr(error);
    };
    ui::App.ShowExceptionLater(told("Cannot create file C:\\t\\clip0001.txt"));
    ui::App.ShowExceptionLater(told("Waiting behind the first"));
    EXPECT_TRUE(shown.empty());
    testing_support::PumpMessages(0);
    EXPECT_EQ(shown, std::vector<std::string>{"Cannot create file C:\\t\\clip0001.txt."});
    EXPECT_EQ(seen, std::vector<std::string>{"Cannot create file C:\\t\\clip0001.txt"});

    // Once that box is gone, the next failure gets its own.
    ui::App.ShowExceptionLater(std::make_exception_ptr(ui::AppError("Third")));
    testing_support::PumpMessages(0);
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown.back(), "Third.");
    ui::App.Box = saved;
}

TEST_F(ApplicationTest, ModalBoxDisablesTheOtherWindowsWhileItShowsAboveTheTopmostOnes)
{
    TestForm a("a"), b("b");
    a.Create();
    b.Create();
    a.Show();
    b.Show();
    SetWindowPos(b.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // The user works in a, away from the faceless owner: the box goes
    // where a is, on a's monitor, owned by a window that went there first.
    a.MoveTo(700, 500);
    a.BringToFront();
    ASSERT_EQ(ui::App.WorkingForm(), a.Handle());

    // Look at the windows from inside the real box, then close it.
    probe = BoxProbe{a.Handle(), b.Handle()};
    SetTimer(nullptr, 0, 50, &ProbeNoteBox);
    ui::ShowNote("Please select a bitmap first.", "Nothing to do");
    ASSERT_TRUE(probe.seen);
    EXPECT_FALSE(probe.aEnabled);
    EXPECT_FALSE(probe.bEnabled);
    EXPECT_TRUE(probe.topmost);
    EXPECT_TRUE(probe.aboveB);
    EXPECT_EQ(probe.owner.left, 700);
    EXPECT_EQ(probe.owner.top, 500);
    EXPECT_TRUE(IsWindowEnabled(a.Handle()));
    EXPECT_TRUE(IsWindowEnabled(b.Handle()));
}
