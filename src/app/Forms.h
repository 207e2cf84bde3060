// The program's five windows, one reference each, created in this order.
#pragma once

class TfrmSplash;
class TForm1;
class TfrmText;
class TfrmBmp;
class TfrmAbout;

extern TfrmSplash* frmSplash;
extern TForm1* Form1;
extern TfrmText* frmText;
extern TfrmBmp* frmBmp;
extern TfrmAbout* frmAbout;
