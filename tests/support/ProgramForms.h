// The program's five windows built in-process, in a folder of the test's own,
// with message boxes recorded instead of shown; released at the end.
#pragma once

#include "app/Program.h"
#include "support/TestSupport.h"
#include "ui/Application.h"

#include <string>
#include <vector>

namespace testing_support {

class ProgramForms {
public:
    ProgramForms()
    {
        savedBox_ = ui::App.Box;
        ui::App.Box = [this](const std::string& text, const std::string&, UINT) {
            boxes.push_back(text);
            return IDOK;
        };
        ui::App.ExeNameOverride = folder_.Path() + "tidemark.exe";
        app::CreateProgramForms();
    }
    ~ProgramForms()
    {
        app::ReleaseProgramForms();
        ui::App.ExeNameOverride.clear();
        ui::App.Box = savedBox_;
    }
    ProgramForms(const ProgramForms&) = delete;
    ProgramForms& operator=(const ProgramForms&) = delete;

    const std::string& Folder() const { return folder_.Path(); }
    std::vector<std::string> boxes;

private:
    TempFolder folder_;
    ui::Application::BoxHandler savedBox_;
};

} // namespace testing_support
