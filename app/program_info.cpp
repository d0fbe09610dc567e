#include "app/program_info.h"

#include <cstdio>

namespace kelt {

std::string RecordFileNameFor(const std::string& programFolder, const SYSTEMTIME& date)
{
    std::string folder = programFolder;
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%04u%02u%02u", static_cast<unsigned>(date.wYear) % 10000,
                  static_cast<unsigned>(date.wMonth) % 100, static_cast<unsigned>(date.wDay) % 100);
    return folder + "\\Records\\KeltRecord" + stamp + ".rwr";
}

} // namespace kelt
