// The splash window: the first window shown and the application's main window.
#pragma once

#include "ui/Form.h"

class TfrmSplash : public ui::Form {
public:
    static constexpr UINT_PTR Timer1 = 1;
    static constexpr UINT Timer1Interval = 2000;

    void Create();
    void Timer1Timer();
    // Whether the timer has handed over to the bar (it does so once).
    bool HandedOver() const noexcept { return handedOver_; }

protected:
    void FormCreate() override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool handedOver_ = false;
};
