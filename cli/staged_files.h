#pragma once
// The files of one result set, written into its temporary folder with every
// step checked, and listed with their SHA-256 for run.json. Another output is
// one call: addText, addImage, or addFile with a function that writes it.
#include <functional>
#include <string>
#include <vector>

#include "imageio/image_file.h"

namespace kestrano {

struct OutputEntry {
    std::string path;    // relative to the result folder, '/' separated
    std::string sha256;
};

class StagedFiles {
public:
    // `staging` is where the files are written, `shown` where they will live
    // (for messages).
    StagedFiles(std::string staging, std::string shown);

    void addText(const std::string& relative, const std::string& bytes);
    void addImage(const std::string& relative, const GreyImage& image);
    // `write` creates the file at the path it is given, throwing on failure.
    void addFile(const std::string& relative, const std::function<void(const std::string& path)>& write);

    const std::vector<OutputEntry>& outputs() const { return outputs_; }

private:
    std::string prepare(const std::string& relative);

    std::string staging_;
    std::string shown_;
    std::vector<OutputEntry> outputs_;
};

}  // namespace kestrano
