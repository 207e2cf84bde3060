// The bitmap clip browser: one catalogue's bitmaps as a strip of thumbnails.
#pragma once

#include "ui/Form.h"

class TfrmBmp : public ui::Form {
public:
    void Create();

protected:
    void FormActivate() override;
    void FormHide() override;
    void FormResize() override;
};
