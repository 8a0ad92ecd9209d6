// Steering the running changer: plr next, pause, resume and status reach the user's plr run
// through a socket in $XDG_RUNTIME_DIR/pelorand/, a folder only the user may enter, and the
// changer answers only its own user. One plr run a user at a time: a lock beside the socket
// says which holds the place.
#pragma once

#include <signal.h>

#include <string>

enum class SteerRequest { None, Next, Pause, Resume, Status, Quit, Ended };

class CSteeringServer {
  public:
    CSteeringServer() = default;
    CSteeringServer(const CSteeringServer&) = delete;
    CSteeringServer& operator=(const CSteeringServer&) = delete;
    ~CSteeringServer();

    // Takes the user's one place for a changer and listens. False with error when another
    // plr run holds it (with replace: when it did not end in time after being asked to), or
    // when the folder is not the user's own. ending: the signals that end the changer, which
    // Wait hears as well.
    bool Start(bool replace, const sigset_t& ending, std::string& error);
    // Whether there is a place to meet at all ($XDG_RUNTIME_DIR is set).
    static bool HasRuntimeFolder();

    // Waits up to timeoutMs (-1: without bound) for an ending signal (Ended, the signal taken)
    // or a request of the user's (a request from anyone else is dropped unanswered). None when
    // the time ran out. The request is answered with Answer.
    SteerRequest Wait(int timeoutMs);
    void Answer(const std::string& text);

  private:
    void DropClient();
    int m_lock = -1;
    int m_listen = -1;
    int m_signals = -1;
    int m_client = -1;
    std::string m_socketPath;
};

// Sends request (next, pause, resume, status) to the user's plr run and prints its answer.
// Exit 0 when answered, 1 when no plr run is there, 2 on any other failure.
int SendSteeringRequest(const std::string& request);
