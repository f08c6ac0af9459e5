#include "Unprivileged.h"

#include <sys/wait.h>
#include <unistd.h>

namespace quorin::testing {

bool RunUnprivileged(const std::function<bool()>& body)
{
    if (::geteuid() != 0) {
        return body();
    }
    const pid_t child = ::fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped && body() ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace quorin::testing
