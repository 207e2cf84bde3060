// The splash window: the first window shown and the application's main window.
#pragma once

#include "ui/Controls.h"
#include "ui/Form.h"

#include <string>
#include <vector>

// A line of text painted straight onto its panel with a transparent
// background, so that one may lie over another (a title and its shadow).
struct PaintedLabel {
    int x = 0, y = 0;
    std::string text;
    HFONT font = nullptr;
    COLORREF color = 0;
};

// A panel that paints its labels, in order, over its face.
class LabelPanel : public ui::Panel {
public:
    std::vector<const PaintedLabel*> Labels;
    // What it reads as: each text once, though a shadow paints it twice.
    std::string Text() const;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

class TfrmSplash : public ui::Form {
public:
    static constexpr UINT_PTR Timer1 = 1;
    static constexpr UINT Timer1Interval = 2000;

    void Create();
    void Timer1Timer();
    // Whether the timer has handed over to the bar (it does so once).
    bool HandedOver() const noexcept { return handedOver_; }

    ui::Panel Panel1;
    LabelPanel Panel3;
    PaintedLabel Label6;  // the title's shadow
    PaintedLabel Label7;  // the title, over its shadow
    PaintedLabel Label8;
    ui::Image Image1;
    ui::Label Label1;

protected:
    void CreateControls() override;
    void FormCreate() override;
    void FormResize() override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    ui::Font titleFont_, versionFont_, creditFont_;
    bool handedOver_ = false;
    bool handOverDue_ = false;
};
