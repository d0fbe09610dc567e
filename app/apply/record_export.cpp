#include "app/apply/record_export.h"

#include <exception>
#include <map>

#include "app/apply/gpp_export.h"
#include "app/apply/reg_export.h"
#include "storage/error.h"
#include "storage/xdb_file.h"

namespace kelt {

namespace {

void WriteFile(const std::string& path, const std::string& bytes)
{
    try {
        XdbWriteFileAtomic(path, bytes);
    } catch (const std::exception&) {
        throw Error("Fail to write file:" + path + "!");
    }
}

} // namespace

std::string GppSideFile(const std::string& path, bool userSide)
{
    const std::size_t slash = path.find_last_of("\\/");
    const std::size_t dot = path.find_last_of('.');
    const std::string stem =
        dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path;
    return stem + (userSide ? "-User.xml" : "-Computer.xml");
}

JTExportReport ExportRegFile(const std::vector<const JTRecord*>& rows, bool oldValues, const std::string& path)
{
    const JTRegExport exported = BuildRegExport(rows, oldValues);
    WriteFile(path, RegFileBytes(exported.text));
    JTExportReport report;
    report.files.push_back({path, std::string(), exported.rowCount});
    report.leftOut = exported.leftOut;
    return report;
}

JTExportReport ExportGppFiles(const std::vector<const JTRecord*>& rows, bool oldValues, const std::string& path,
                              const std::string& recordPath)
{
    const std::string stamp = GppStampOf(recordPath);
    JTExportReport report;
    const struct {
        JTGppSide side;
        const char* target;
    } sides[] = {{JTGppSide::User, "User Configuration > Preferences > Windows Settings > Registry"},
                 {JTGppSide::Computer, "Computer Configuration > Preferences > Windows Settings > Registry"}};
    // Rows left out are named in the record's order, whichever side they belong to.
    std::map<std::size_t, std::string> leftOut;
    for (const auto& side : sides) {
        const JTGppExport exported = BuildGppRegistryXml(rows, oldValues, side.side, stamp);
        for (std::size_t i = 0; i < exported.leftOut.size(); ++i)
            leftOut[exported.leftOutRows[i]] = exported.leftOut[i];
        if (exported.rowCount == 0)
            continue;
        const std::string file = GppSideFile(path, side.side == JTGppSide::User);
        WriteFile(file, exported.xml);
        report.files.push_back({file, side.target, exported.rowCount});
    }
    for (const auto& entry : leftOut)
        report.leftOut.push_back(entry.second);
    return report;
}

} // namespace kelt
