#include "update/version_text.h"

namespace kelt::update {

bool IsNewerVersion(const std::string& server, const std::string& local)
{
    // std::string compares through char_traits<char>, which orders bytes as unsigned char.
    return server.compare(local) > 0;
}

} // namespace kelt::update
