#pragma once
// File helpers the tests of several folders share.
#include <filesystem>
#include <string>

namespace quorin::testing {

// A file's bytes as they are on disk; empty when it cannot be read.
std::string Slurp(const std::filesystem::path& path);

} // namespace quorin::testing
