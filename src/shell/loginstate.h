#pragma once

#include <QtGlobal>

// Who is logged in, at which station. Set once by start-up after the login
// dialog and read everywhere; logging in as someone else means restarting.
extern qint16 gUserID;
extern qint16 gStationID;
extern bool gIsHeadStation;
// Lets code close the sale list, which otherwise refuses to close.
extern bool gAllowSaleListClose;
