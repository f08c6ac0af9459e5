#include "TestFiles.h"

#include <fstream>
#include <sstream>

namespace quorin::testing {

std::string Slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace quorin::testing
