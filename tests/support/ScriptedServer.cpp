// winsock2.h has to come before windows.h.
#include <winsock2.h>

#include "tests/support/ScriptedServer.h"

namespace {

// Reads until the blank line that ends a request's headers.
bool ReadRequestHeaders(SOCKET socket)
{
    std::string received;
    char buffer[4096];
    while (received.find("\r\n\r\n") == std::string::npos) {
        const int got = recv(socket, buffer, sizeof(buffer), 0);
        if (got <= 0)
            return false;
        received.append(buffer, got);
    }
    return true;
}

std::string OkHeaders(long long length)
{
    std::string headers = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n";
    if (length >= 0)
        headers += "Content-Length: " + std::to_string(length) + "\r\n";
    return headers + "Connection: close\r\n\r\n";
}

}  // namespace

bool ScriptedConnection::Send(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        if (WaitForSingleObject(stopping_, 0) == WAIT_OBJECT_0)
            return false;
        const int sent = send(socket_, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
        if (sent <= 0)
            return false;
        done += sent;
    }
    return true;
}

bool ScriptedConnection::Pause(DWORD milliseconds)
{
    return WaitForSingleObject(stopping_, milliseconds) == WAIT_TIMEOUT;
}

ScriptedServer::ScriptedServer(Script script)
    : script_(std::move(script)), listener_(INVALID_SOCKET), client_(INVALID_SOCKET)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    stopping_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(address);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(listener_, 4) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer()
{
    SetEvent(stopping_);
    closesocket(listener_);
    const SocketValue client = client_.load();
    if (client != INVALID_SOCKET)
        shutdown(client, SD_BOTH);
    if (thread_.joinable())
        thread_.join();
    CloseHandle(stopping_);
    WSACleanup();
}

std::string ScriptedServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void ScriptedServer::Serve()
{
    for (;;) {
        const SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return;
        client_ = client;
        if (WaitForSingleObject(stopping_, 0) != WAIT_OBJECT_0 && ReadRequestHeaders(client)) {
            ++requests_;
            ScriptedConnection connection(client, stopping_);
            script_(connection);
        }
        client_ = INVALID_SOCKET;
        shutdown(client, SD_SEND);
        closesocket(client);
    }
}

ScriptedServer::Script AnswerWithBody(const std::string& body)
{
    return [body](ScriptedConnection& connection) { connection.Send(OkHeaders(body.size()) + body); };
}

ScriptedServer::Script AnswerWithZeros(long long announcedLength)
{
    return [announcedLength](ScriptedConnection& connection) {
        const std::string zeros(64 * 1024, '\0');
        if (!connection.Send(OkHeaders(announcedLength)))
            return;
        while (connection.Send(zeros)) {}
    };
}

ScriptedServer::Script AnswerWithTrickle(DWORD interval)
{
    return [interval](ScriptedConnection& connection) {
        if (!connection.Send(OkHeaders(1000)))
            return;
        while (connection.Send("x") && connection.Pause(interval)) {}
    };
}
