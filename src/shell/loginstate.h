#pragma once

#include <QtGlobal>

// Who is logged in, at which station. Start-up sets it once after the login
// dialog, as one value; logging in as someone else means restarting.
struct Session {
    qint16 userID = 0;
    qint16 stationID = 0;
    bool isHeadStation = false;
};

void setSession(const Session &session);
Session currentSession();

// Read everywhere by these names; written only through setSession().
extern const qint16 &gUserID;
extern const qint16 &gStationID;
extern const bool &gIsHeadStation;
