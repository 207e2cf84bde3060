// The bitmap clip browser: one catalogue's bitmaps as a strip of thumbnails.
#pragma once

#include "ui/Form.h"

class TfrmBmp : public ui::Form {
public:
    void Create();

    // Places the browser at the bar, records the view and refills it; does not show it.
    void ShowCatalogue(bool saved);
    bool SavedMode = false;

protected:
    void FormActivate() override;
    void FormHide() override;
    void FormResize() override;
};
