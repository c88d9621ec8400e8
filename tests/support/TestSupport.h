// Helpers shared by the test programs: per-test folders, generated fixtures,
// the loopback HTTP server and whole-file reads and writes.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// Windows path of the running test's own fresh folder (removed after a
// passing test, kept after a failing one). APPDATA points at its "AppData".
std::string TestTempDir();

// Windows path of the fixtures that make_fixtures.* produced for this
// test program's folder. Tests only read them: a test that changes one
// copies it into its own folder first.
std::string TestDataDir();

// Path of a fixture below TestDataDir(). A missing one fails the running
// test with its path: the build makes every fixture, so a missing one is a
// broken build, never a reason to skip.
std::string FixturePath(const std::string& relative);

// The bytes of that fixture; a missing one fails the test as above.
std::string ReadFixture(const std::string& relative);

// The loopback HTTP server of the test run (tests registered with HTTP).
int HttpPort();
std::string HttpUrl(const std::string& path);
std::string HttpRoot();

// Puts a file of varied bytes into the HTTP server's root; returns its bytes.
std::string ServeVariedBytes(const std::string& name, size_t size);

// The run's loopback HTTPS server of a kind of certificate ("trusted",
// "unknownca", "otherhost", "expired") or "tls10" (the trusted certificate
// over TLS 1.0 only), addressed as https://localhost:<port>; they serve
// HttpRoot() as the HTTP server does. The test CA is trusted in the Wine
// prefix by the fixture that starts them.
std::string HttpsUrl(const std::string& server, const std::string& path);

// "http://127.0.0.1:<port>" + path of one of the run's real peers beside the
// HTTP server (see tests/support/peers.py): "nginx", which serves HttpRoot()
// too, and "relay", which drops connections in front of it.
std::string PeerUrl(const std::string& peer, const std::string& path);
// The port of a peer ("proxy" and "authproxy", the forward proxies, too),
// and the log of a proxy.
int PeerPort(const std::string& peer);
std::string PeerLog(const std::string& peer);

// Whole-file helpers; Read returns "" for a missing file, Write creates the
// parent folders and returns false when the file cannot be written.
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// The names in a folder (without "." and ".."), sorted; none for a missing
// folder.
std::vector<std::string> FolderEntries(const std::string& folder);

// Every file (with its bytes) and folder ("<folder>") below the root, by
// relative path: what a folder holds, to compare before and after.
std::map<std::string, std::string> FolderTree(const std::string& root);

// The host path of a path on Wine's Z: drive, the host's root (a failure of
// the running test for any other path).
std::string HostPath(const std::string& path);

// Runs a host shell command, as Wine starts a host program given by its host
// path. Wine gives no handle to wait on: true once done() holds, within 30 s.
bool RunOnHost(const std::string& shellCommand, const std::function<bool()>& done);

// Puts a host symbolic link to the folder target in the place of link (a
// folder or link there goes first); Wine shows it as a folder that is a
// reparse point, and makes no such link itself (CreateSymbolicLink does
// nothing). Both are Windows paths on Z:.
bool MakeHostLink(const std::string& link, const std::string& target);

// The folder of the running test program (Windows path, no trailing "\").
std::string TestProgramDir();
