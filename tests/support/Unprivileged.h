#pragma once
// Folder and file permissions do not bind root, and CI runs as root: tests of a read-only folder
// run their body as an unprivileged user.
#include <functional>

namespace quorin::testing {

// Runs `body` as it is when this process is not root; as root, in a forked child that first drops
// to the unprivileged user 65534. The result is the body's (false when the child could not drop).
// The body must not use GoogleTest assertions: they would stay in the child.
bool RunUnprivileged(const std::function<bool()>& body);

} // namespace quorin::testing
