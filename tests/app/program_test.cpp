// The program's five windows, built in-process in a folder of the test's own.
#include "app/Forms.h"
#include "app/Program.h"
#include "app/SingleInstance.h"
#include "app/Splash.h"
#include "bar/Form1.h"
#include "support/TestSupport.h"
#include "ui/Application.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

using namespace testing_support;

namespace {

std::vector<std::string> destroyed;

LRESULT CALLBACK RecordDestroy(int code, WPARAM w, LPARAM l)
{
    auto* msg = reinterpret_cast<CWPSTRUCT*>(l);
    if (code >= 0 && msg->message == WM_DESTROY) {
        char name[64] = "";
        GetClassNameA(msg->hwnd, name, sizeof name);
        static const std::vector<std::string> forms{"TfrmSplash", "TForm1", "TfrmText", "TfrmBmp", "TfrmAbout"};
        for (const std::string& form : forms)
            if (form == name)
                destroyed.push_back(name);
    }
    return CallNextHookEx(nullptr, code, w, l);
}

std::string ClassOf(HWND h)
{
    char name[64] = "";
    GetClassNameA(h, name, sizeof name);
    return name;
}

} // namespace

TEST(Program, FiveWindowsInOrderHiddenThenTheSplashHandsOverOnceAndTheyGoInReverse)
{
    TempFolder folder;
    ui::App.ExeNameOverride = folder.Path() + "tidemark.exe";
    auto built = std::chrono::steady_clock::now();
    app::CreateProgramForms();

    EXPECT_EQ(ui::App.Title, "orv Tidemark");
    EXPECT_EQ(ui::App.HelpFile, "tidemark.hlp");
    std::vector<std::string> classes;
    for (ui::Form* f : ui::App.Forms()) {
        classes.push_back(ClassOf(f->Handle()));
        EXPECT_FALSE(f->Visible()) << classes.back();
    }
    EXPECT_EQ(classes, (std::vector<std::string>{"TfrmSplash", "TForm1", "TfrmText", "TfrmBmp", "TfrmAbout"}));
    EXPECT_EQ(ui::App.MainForm(), reinterpret_cast<ui::Form*>(frmSplash));

    frmSplash->Show();
    ASSERT_TRUE(PumpUntil([] { return Form1->Visible(); }, 10000));
    auto handover = std::chrono::steady_clock::now() - built;
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(handover).count(), 2000);
    EXPECT_FALSE(frmSplash->Visible());
    EXPECT_TRUE(frmSplash->HandedOver());
    PumpMessages(2300);  // no second tick
    EXPECT_FALSE(frmSplash->Visible());

    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, &RecordDestroy, nullptr, GetCurrentThreadId());
    app::ReleaseProgramForms();
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(destroyed, (std::vector<std::string>{"TfrmAbout", "TfrmBmp", "TfrmText", "TForm1", "TfrmSplash"}));
    ui::App.ExeNameOverride.clear();
}

TEST(SingleInstance, OneCopyPerFolderHoweverItsPathIsSpelt)
{
    TempFolder one, other;
    std::string lower = one.Path();
    CharLowerBuffA(lower.data(), static_cast<DWORD>(lower.size()));
    EXPECT_EQ(app::InstanceName(one.Path()), app::InstanceName(lower));
    EXPECT_NE(app::InstanceName(one.Path()), app::InstanceName(other.Path()));
    // One kernel object name, whatever the folder's length.
    const std::string name = app::InstanceName(one.Path() + std::string(300, 'x') + "\\");
    EXPECT_EQ(name.find('\\', name.find('\\') + 1), std::string::npos) << name;
    EXPECT_LT(name.size(), 64u);

    const app::SingleInstance first(one.Path());
    EXPECT_TRUE(first.First());
    EXPECT_FALSE(app::SingleInstance(lower).First());
    EXPECT_TRUE(app::SingleInstance(other.Path()).First());

    // A lock we may not open, as another user's copy holds it: said so in a
    // box rather than ended without a word.
    TempFolder denied;
    SECURITY_DESCRIPTOR noAccess;
    InitializeSecurityDescriptor(&noAccess, SECURITY_DESCRIPTOR_REVISION);
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SetSecurityDescriptorDacl(&noAccess, TRUE, &empty, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &noAccess, FALSE};
    const HANDLE theirs = CreateMutexA(&attributes, FALSE, app::InstanceName(denied.Path()).c_str());
    ASSERT_NE(theirs, nullptr);
    const app::SingleInstance undecided(denied.Path());
    EXPECT_FALSE(undecided.First());
    ASSERT_TRUE(undecided.Undecided());
    std::string text, caption;
    const ui::Application::BoxHandler saved = ui::App.Box;
    ui::App.Box = [&](const std::string& t, const std::string& c, UINT) {
        text = t;
        caption = c;
        return IDOK;
    };
    undecided.TellUndecided();
    ui::App.Box = saved;
    CloseHandle(theirs);
    EXPECT_EQ(caption, "orv Tidemark");
    EXPECT_NE(text.find("whether another copy is running in " + denied.Path()), std::string::npos) << text;
}
