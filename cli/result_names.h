#pragma once
// The names kestrano writes, so that replacing earlier results never removes
// anything else.
#include <set>
#include <string>

namespace kestrano {

// dataLen.dat, dataAng.dat, histoLen.dat, histoAng.dat.
const std::set<std::string>& dataFileNames();

// What an image's results folder may hold to be replaced: run.json, the
// standard files, and every output its own run.json lists (folders end in '/').
std::set<std::string> resultFolderNames(const std::string& folder);

}  // namespace kestrano
