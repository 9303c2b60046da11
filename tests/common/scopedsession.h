#pragma once

#include "shell/loginstate.h"

// Logs a test in for as long as the object lives, then brings back whoever
// was logged in before, so a test that plays a branch operator cannot leak
// that into the next one.
class ScopedSession {
public:
    explicit ScopedSession(const Session &session) : m_previous(currentSession())
    {
        setSession(session);
    }
    ~ScopedSession() { setSession(m_previous); }
    ScopedSession(const ScopedSession &) = delete;
    ScopedSession &operator=(const ScopedSession &) = delete;

    // The usual test login: the administrator (ID 1) at the head station (ID 1).
    static Session headStation(qint16 userID = 1)
    {
        return {.userID = userID, .stationID = 1, .isHeadStation = true};
    }
    // The same operator, now working at a branch station.
    static Session atBranch(qint16 stationID)
    {
        Session session = currentSession();
        session.stationID = stationID;
        session.isHeadStation = false;
        return session;
    }
    // Someone else at the same station.
    static Session asUser(qint16 userID)
    {
        Session session = currentSession();
        session.userID = userID;
        return session;
    }

private:
    Session m_previous;
};
