// sd_vxtts: the Speech Dispatcher output module of vxtts. Speech Dispatcher starts it with the
// path of its configuration file and speaks to it over standard input and output; what it logs
// goes to standard error, which the server keeps in its log folder.

#include "platform/StandardStreams.h"
#include "speechd/ModuleConfig.h"
#include "speechd/ModuleProtocol.h"
#include "speechd/OutputModule.h"

#include <csignal>
#include <iostream>
#include <new>

namespace {

// Reads the server's requests until it quits or goes; 0 then, 1 when INIT failed.
int serve(vx::speechd::OutputModule& module) {
    vx::speechd::ProtocolReader reader;
    static char buffer[64 * 1024];
    bool initialised = false;
    for (;;) {
        const std::size_t got = vx::platform::readStandardInput(buffer, sizeof buffer);
        if (got == 0) {
            return 0;
        }
        reader.feed({buffer, got});
        while (std::optional<vx::speechd::Request> request = reader.next()) {
            if (!module.handle(*request)) {
                return request->kind == vx::speechd::Request::Kind::Quit || initialised ? 0 : 1;
            }
            initialised = initialised || request->kind == vx::speechd::Request::Kind::Init;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    // A server that has gone must make the write fail, so that the module ends, rather than end
    // it by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        vx::platform::shrinkStandardOutputPipe();
        vx::speechd::ServerChannel channel(vx::platform::writeStandardOutput);
        vx::speechd::OutputModule module(channel, argc > 1 ? vx::speechd::readModuleConfig(argv[1])
                                                           : vx::speechd::ModuleConfig{});
        return serve(module);
    } catch (const std::bad_alloc&) {
        std::cerr << "sd_vxtts: out of memory\n";
    } catch (const std::exception& error) {
        std::cerr << "sd_vxtts: " << error.what() << '\n';
    }
    return 1;
}
