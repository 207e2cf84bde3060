// The text clip browser: one catalogue's text clips, newest first.
#pragma once

#include "ui/Form.h"

class TfrmText : public ui::Form {
public:
    void Create();

protected:
    void FormActivate() override;
    void FormHide() override;
    void FormResize() override;
};
