#pragma once
// Per-format readers and writers behind image_file.h. Readers receive the file
// already opened and recognised by its magic bytes, positioned at its start;
// writers write to a fresh temporary file whose path they are given, and name
// `shownPath` in their messages.
#include <cstddef>
#include <string>
#include <vector>

#include "imageio/image_file.h"
#include "imageio/input_file.h"
#include "imageio/read_budget.h"

namespace kestrano {

struct ReadRequest {
    InputFile& file;
    ReadBudget& budget;
    const ReadOptions& options;
    std::vector<std::string>& warnings;
    const std::string& path() const { return file.path(); }
};

GreyImage readTiff(ReadRequest& request);
GreyImage readPng(ReadRequest& request);
GreyImage readPgm(ReadRequest& request);
GreyImage readJpeg(ReadRequest& request);
std::size_t countTiffPages(InputFile& file);

void writeTiff(const std::string& tempPath, const std::string& shownPath, const GreyImage& image);
void writePng(const std::string& tempPath, const std::string& shownPath, const GreyImage& image);
void writePgm(const std::string& tempPath, const std::string& shownPath, const GreyImage& image);

}  // namespace kestrano
