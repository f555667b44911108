#include "cli/result_names.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/run_record.h"

namespace kestrano {

const std::set<std::string>& dataFileNames()
{
    static const std::set<std::string> names = {"dataLen.dat", "dataAng.dat", "histoLen.dat", "histoAng.dat"};
    return names;
}

std::set<std::string> resultFolderNames(const std::string& folder)
{
    std::set<std::string> names = {"run.json", "lines.tif", "lines.png", "lines.pgm", "segments.csv", "log.txt",
                                   "data/"};
    for (const std::string& name : dataFileNames())
        names.insert("data/" + name);
    std::ifstream file(std::filesystem::path(folder) / "run.json");
    std::ostringstream text;
    text << file.rdbuf();
    try {
        const Json record = parseRunJson(text.str(), folder);
        for (const Json& output : record.value("outputs", Json::array())) {
            std::filesystem::path path = output.value("path", "");
            if (path.empty() || path.is_absolute())
                continue;
            names.insert(path.generic_string());
            for (path = path.parent_path(); !path.empty(); path = path.parent_path())
                names.insert(path.generic_string() + "/");
        }
    } catch (const std::exception&) {
        // No record of ours there: only the standard names count.
    }
    return names;
}

}  // namespace kestrano
