// The host seam's bookkeeping (which host is installed) and the POSIX host's environment, message
// output and randomness. Its file operations are in HostFiles.cpp, its clock and time zone in
// HostClock.cpp.
#include "today/outside/Host.hpp"
#include "today/outside/Messages.hpp"
#include "today/outside/PosixHost.hpp"

#include <sodium.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace today {

namespace {

// The host installed by a `ScopedHost`; none means the POSIX host.
std::atomic<Host*> installedHost{nullptr};

}  // namespace

Host::~Host() = default;

Host& Host::current() {
    Host* host = installedHost.load(std::memory_order_acquire);
    return host ? *host : posix();
}

Host& Host::posix() {
    static PosixHost host;
    return host;
}

ScopedHost::ScopedHost(Host& host) : _previous(installedHost.exchange(&host, std::memory_order_acq_rel)) {}

ScopedHost::~ScopedHost() { installedHost.store(_previous, std::memory_order_release); }

std::optional<std::string> PosixHost::environmentVariable(const std::string& name) {
    if (name.find('\0') != std::string::npos) return std::nullopt;
    const char* value = std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

void PosixHost::printLine(std::string_view line) { detail::writeMessageLine(stdout, line); }

void PosixHost::randomBytes(std::span<std::uint8_t> into) {
    // sodium_init is idempotent and thread-safe; it only has to have run before the first draw.
    static const int initialised = sodium_init();
    if (initialised < 0) std::abort();  // no source of randomness on this system
    randombytes_buf(into.data(), into.size());
}

}  // namespace today
