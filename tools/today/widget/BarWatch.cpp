// The watch loop of `today bar --watch`: one poll(2) over the signals, the inotify events, a real-time
// timer at the next boundary and standard output, refreshing only when one of them speaks.
#include "tools/today/widget/BarWatch.hpp"

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdint>

#include "tools/today/Commands.hpp"
#include "tools/today/widget/DirectoryWatches.hpp"

namespace today::cli {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : _fd(fd) {}
    ~Descriptor() {
        if (_fd >= 0) ::close(_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return _fd; }

private:
    int _fd;
};

// Sets the timer to go off at the date, by the real-time clock: after a suspend, or when the clock is
// set, it still goes off at that time of day (a change of the clock also wakes it, as ECANCELED).
void setTimer(int timer, Date at) {
    const double unix = std::max(at.unixTime(), 1.0);
    itimerspec when{};
    const double whole = std::floor(unix);
    when.it_value.tv_sec = static_cast<time_t>(std::min(whole, static_cast<double>(INT32_MAX) * 1000));
    when.it_value.tv_nsec = static_cast<long>((unix - whole) * 1e9);
    ::timerfd_settime(timer, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
}

}  // namespace

bool writeOutput(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

int watchBar(const std::function<BarUpdate()>& refresh, std::optional<double> intervalSeconds) {
    // The signals arrive as reads of a descriptor instead of interrupting the work.
    sigset_t signals;
    sigemptyset(&signals);
    for (const int each : {SIGTERM, SIGINT, SIGUSR1}) sigaddset(&signals, each);
    if (::sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
        printError("cannot watch: the signals cannot be blocked");
        return exitFailure;
    }
    const Descriptor signalDescriptor(::signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC));
    const Descriptor timer(::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC));
    DirectoryWatches watches;
    if (signalDescriptor.get() < 0 || timer.get() < 0) {
        printError("cannot watch: no signal or timer descriptor");
        return exitFailure;
    }
    if (watches.descriptor() < 0) printError("inotify is not available: only the clock and signals refresh the bar");

    BarUpdate shown = refresh();
    watches.watch(shown.container, shown.planFiles);
    if (!writeOutput(shown.output)) return exitSuccess;
    setTimer(timer.get(), shown.wakeAt);

    const int timeout = intervalSeconds ? static_cast<int>(std::clamp(*intervalSeconds * 1000, 1.0, 2.0e9)) : -1;
    for (;;) {
        // Standard output is looked at only for its reader going away (POLLERR, POLLHUP).
        pollfd waits[] = {{signalDescriptor.get(), POLLIN, 0},
                          {watches.descriptor(), POLLIN, 0},
                          {timer.get(), POLLIN, 0},
                          {STDOUT_FILENO, 0, 0}};
        const int ready = ::poll(waits, 4, timeout);
        if (ready < 0 && errno != EINTR) {
            printError("cannot watch: poll failed");
            return exitFailure;
        }
        if (waits[3].revents & (POLLERR | POLLHUP | POLLNVAL)) return exitSuccess;
        bool wanted = ready == 0;  // the periodic check
        if (waits[0].revents & POLLIN) {
            signalfd_siginfo info{};
            while (::read(signalDescriptor.get(), &info, sizeof info) == sizeof info) {
                if (info.ssi_signo == SIGTERM || info.ssi_signo == SIGINT) return exitSuccess;
                wanted = true;  // SIGUSR1
            }
        }
        bool rewatch = false;
        if (waits[1].revents & POLLIN) {
            const WatchedChanges changes = watches.readEvents();
            wanted = wanted || changes.content || changes.layout;
            rewatch = changes.layout;
        }
        if (waits[2].revents & POLLIN) {
            std::uint64_t expirations = 0;
            // ECANCELED tells of a change of the clock: refresh all the same.
            [[maybe_unused]] const auto read = ::read(timer.get(), &expirations, sizeof expirations);
            wanted = true;
        }
        if (!wanted) continue;

        BarUpdate update = refresh();
        if (rewatch || update.container != shown.container || update.planFiles != shown.planFiles) {
            watches.watch(update.container, update.planFiles);
            // What changed while the watches were being set is read now.
            update = refresh();
        }
        if (update.output != shown.output && !writeOutput(update.output)) return exitSuccess;
        setTimer(timer.get(), update.wakeAt);
        shown = std::move(update);
    }
}

}  // namespace today::cli
