// The about box: product name, version and credits; shown modeless.
#pragma once

#include "ui/Form.h"

class TfrmAbout : public ui::Form {
public:
    void Create();
};
