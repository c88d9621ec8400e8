// A loopback HTTP server of one test's own, for the answers a real server
// gives only when it misbehaves: a trickle, a length it never sends, an
// error page with status 200. Each request is read up to the end of its
// headers and answered by the test's script.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

// A winsock SOCKET, kept out of this header so that its users need not
// include winsock2.h before windows.h.
using SocketValue = uintptr_t;

// One accepted connection, as the script sees it.
class ScriptedConnection {
public:
    ScriptedConnection(SocketValue socket, HANDLE stopping) : socket_(socket), stopping_(stopping) {}
    // False once the client has gone or the server is stopping.
    bool Send(const std::string& bytes);
    // Waits; false when the server is stopping.
    bool Pause(DWORD milliseconds);

private:
    SocketValue socket_;
    HANDLE stopping_;
};

class ScriptedServer {
public:
    using Script = std::function<void(ScriptedConnection&)>;

    explicit ScriptedServer(Script script);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // "http://127.0.0.1:<port>" + path.
    std::string Url(const std::string& path) const;
    // Requests answered (or being answered) so far.
    int Requests() const { return requests_.load(); }

private:
    void Serve();

    Script script_;
    SocketValue listener_;
    std::atomic<SocketValue> client_;
    HANDLE stopping_ = nullptr;
    int port_ = 0;
    std::atomic<int> requests_{0};
    std::thread thread_;
};

// Scripts for the usual misbehaviours.
// Status 200 with this body and its true length.
ScriptedServer::Script AnswerWithBody(const std::string& body);
// Status 200 announcing the length (none when negative), then zeros until the
// client stops taking them.
ScriptedServer::Script AnswerWithZeros(long long announcedLength);
// Status 200 announcing 1000 bytes, then one byte per interval, forever.
ScriptedServer::Script AnswerWithTrickle(DWORD interval);
