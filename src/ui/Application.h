// The application object: title, help file, the forms in creation order, the
// message loop, minimising as a whole, and the boxes every window uses.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace ui {

class Form;

class Application {
public:
    std::string Title;
    std::string HelpFile;
    // Where the program's files live is decided by this path; tests point it
    // into a folder of their own.
    std::string ExeNameOverride;
    std::string ExeName() const;

    // Shows a message box modal to the whole application and returns its
    // result. Tests replace it to see boxes without showing them.
    using BoxHandler = std::function<int(const std::string& text, const std::string& caption, UINT flags)>;
    BoxHandler Box;

    Application();

    // The window that owns every form and stands for the application in the
    // taskbar; created on first use, hidden until ShowTaskbarButton.
    HWND Handle();
    // A zero-size window is all that shows of it: its taskbar button.
    void ShowTaskbarButton();
    // Activates the program's visible form nearest the front, if any.
    void ActivateFrontForm();
    // The form the user works in: the active one, else the visible one
    // nearest the front; null when none shows.
    HWND WorkingForm() const;

    // The first form created; closing it ends the program.
    Form* MainForm() const noexcept { return forms_.empty() ? nullptr : forms_.front(); }
    const std::vector<Form*>& Forms() const noexcept { return forms_; }
    void AddForm(Form* form);
    // Whether every form of the program exists: until then nothing may hand
    // the program over to the user.
    bool FormsReady() const noexcept { return formsReady_; }
    void SetFormsReady(bool ready) noexcept { formsReady_ = ready; }

    // Shows the main form and dispatches messages until WM_QUIT; then destroys
    // the forms in reverse order of creation. Returns the exit code.
    int Run();
    void Terminate() noexcept;
    void DestroyForms() noexcept;
    // The user's session is ending: tear down now, the loop will not run again.
    void EndSession() noexcept;
    // From then on no box shows: nobody is left to answer it, and it would
    // hold up the log-off. What fails on the way out goes unreported.
    bool SessionEnding() const noexcept { return ended_; }
    // The program is on its way out: its loop has been told to end. For
    // good, also once the forms are released.
    bool Leaving() const noexcept { return leaving_; }
    // Another start in our folder asked for us: the box or dialog we wait
    // on, else the form in front, comes to the front, or all come back from
    // a minimise. False when we are leaving.
    bool ComeToFront();

    void Minimize();
    void Restore();
    bool Minimized() const noexcept { return minimized_; }
    // True while Minimize/Restore hide and show forms, so they can tell that
    // apart from the program hiding them.
    bool ChangingState() const noexcept { return changingState_; }

    // The default error handler: the message, ".", an error icon, the title.
    void ShowException(const std::exception& e) noexcept;
    // The same, once the message loop gets to it: for errors raised inside a
    // message another program waits on. While one such error waits or shows,
    // later ones are dropped rather than stacked on top of it; a dropped
    // error was not seen (AppError::Seen), and its source tells it again.
    void ShowExceptionLater(std::exception_ptr error) noexcept;

    // A box modal to the whole application: the program's other top-level
    // windows are disabled meanwhile; the active one is active again after.
    // The box shows above the program's topmost windows, and on the monitor
    // of the form the user works in.
    int ModalBox(const std::string& text, const std::string& caption, UINT flags);
    // Runs a platform dialog owned by Handle() the same way.
    void RunModal(const std::function<void()>& dialog);

    // Forget every form (tests that build forms of their own).
    void ResetForTests();

private:
    bool PreTranslate(MSG& msg);
    bool AnyTopmostForm() const;
    bool IsForm(HWND window) const;
    HWND FrontForm() const;
    HWND OpenDialog() const;
    // Boxes and dialogs open on their owner's monitor: the faceless owner
    // goes to the form the user works in first.
    void MoveToWorkingForm();
    void ShowDeferredError() noexcept;
    static LRESULT CALLBACK AppWindowProc(HWND, UINT, WPARAM, LPARAM) noexcept;

    HWND handle_ = nullptr;
    std::vector<Form*> forms_;
    std::vector<HWND> hiddenByMinimize_;
    bool minimized_ = false;
    bool changingState_ = false;
    bool ended_ = false;
    bool leaving_ = false;
    bool formsReady_ = false;
    std::exception_ptr deferredError_;
    bool deferredPending_ = false;
    UINT contextKey_ = 0;  // a context-menu key whose release is ours
};

extern Application App;

// Program-wide note box: OK only, no icon, modal to the whole application.
void ShowNote(const std::string& text, const std::string& caption);

} // namespace ui
