#include "shell/loginstate.h"

qint16 gUserID = 0;
qint16 gStationID = 0;
bool gIsHeadStation = false;
bool gAllowSaleListClose = false;
