#pragma once
// tests/support/http_server.py serving a temporary folder of its own on 127.0.0.1 for one test:
// what the online code fetches, with requests.log of what it sent. The process's proxy variables
// are cleared, so that requests go straight to it.

#include "platform/Clock.h"
#include "tests/support/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace vx::test {

class LoopbackHttpServer {
public:
    // The server runs with our end of a pipe as its standard input: closing it (or our dying)
    // ends the server. port() is 0 when it did not start.
    LoopbackHttpServer() {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            ::unsetenv(name);
        const auto script = std::filesystem::path(__FILE__).parent_path() / "http_server.py";
        const auto port = folder_.path() / "port";
        server_ = ::popen(("exec python3 '" + script.string() + "' '" + folder_.path().string() + "' >'" +
                           port.string() + "'").c_str(), "w");
        for (int wait = 0; server_ && wait < 1000 && readBytes(port).find('\n') == std::string::npos; ++wait)
            platform::sleepMilliseconds(10);
        port_ = std::atoi(readBytes(port).c_str());
    }
    ~LoopbackHttpServer() { if (server_) ::pclose(server_); }
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return port_; }
    const TempFolder& folder() const { return folder_; }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    // The requests received so far, one "PATH?QUERY<TAB>CONTENT-TYPE" each.
    std::vector<std::string> requests() const {
        std::istringstream log(readBytes(folder_.path() / "requests.log"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(log, line);) lines.push_back(line);
        return lines;
    }

private:
    TempFolder folder_;
    std::FILE* server_ = nullptr;
    int port_ = 0;
};

} // namespace vx::test
