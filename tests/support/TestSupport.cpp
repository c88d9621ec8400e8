#include "tests/support/TestSupport.h"

#include "base/ScopedHandles.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/support/TestMain.h"

std::string TestTempDir()
{
    return CurrentTestDir();
}

std::string TestProgramDir()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\'));
}

std::string TestDataDir()
{
    return TestProgramDir() + "\\test-data";
}

std::string FixturePath(const std::string& relative)
{
    const std::string path = TestDataDir() + "\\" + relative;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        ADD_FAILURE() << "fixture " << path << " is missing; remove " << TestDataDir()
                      << "\\.stamp and build again to make the fixtures anew";
    return path;
}

std::string ReadFixture(const std::string& relative)
{
    return ReadFileBytes(FixturePath(relative));
}

static std::string HttpStateDir()
{
    return std::string(CORVANE_BUILD_ROOT) + "\\test-http";
}

int HttpPort()
{
    std::string text = ReadFileBytes(HttpStateDir() + "\\port");
    return text.empty() ? 0 : std::atoi(text.c_str());
}

std::string HttpUrl(const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(HttpPort()) + path;
}

std::string HttpRoot()
{
    return HttpStateDir() + "\\root";
}

std::string ServeVariedBytes(const std::string& name, size_t size)
{
    std::string bytes(size, '\0');
    unsigned state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    EXPECT_TRUE(WriteFileBytes(HttpRoot() + "\\" + name, bytes));
    return bytes;
}

// The port of a "<name> <port>" line of a file of the server's state; 0 when
// none names it.
static int ListedPort(const char* file, const std::string& name)
{
    std::istringstream ports(ReadFileBytes(HttpStateDir() + "\\" + file));
    std::string kind;
    int port = 0;
    while (ports >> kind >> port && kind != name)
        port = 0;
    return port;
}

std::string HttpsUrl(const std::string& server, const std::string& path)
{
    return "https://localhost:" + std::to_string(ListedPort("tls-ports", server)) + path;
}

int PeerPort(const std::string& peer)
{
    return ListedPort("peers", peer);
}

std::string PeerLog(const std::string& peer)
{
    return ReadFileBytes(HttpStateDir() + "\\" + peer + ".log");
}

std::string PeerUrl(const std::string& peer, const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(ListedPort("peers", peer)) + path;
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::string();
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string HostPath(const std::string& path)
{
    EXPECT_EQ(_strnicmp(path.c_str(), "Z:\\", 3), 0) << path << " is not on the host's drive";
    std::string host = path.substr(2);
    std::replace(host.begin(), host.end(), '\\', '/');
    return host;
}

bool RunOnHost(const std::string& shellCommand, const std::function<bool()>& done)
{
    std::string command = "/bin/sh -c \"" + shellCommand + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    const ScopedProcessInfo started(info);
    for (int waited = 0; waited < 30000; waited += 50) {
        if (done())
            return true;
        Sleep(50);
    }
    return false;
}

bool MakeHostLink(const std::string& link, const std::string& target)
{
    const std::string host = "'" + HostPath(link) + "'";
    return RunOnHost("rm -rf " + host + " && ln -s '" + HostPath(target) + "' " + host, [&] {
        const DWORD attributes = GetFileAttributesA(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    });
}

std::map<std::string, std::string> FolderTree(const std::string& root)
{
    std::map<std::string, std::string> tree;
    std::error_code ec;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root, ec))
        tree[std::filesystem::relative(item.path(), root).string()] =
            item.is_directory() ? "<folder>" : ReadFileBytes(item.path().string());
    return tree;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}
